#pragma once
// The attribute delta analysis of one object against a target class, without any widget:
// what the target class does not allow of the object's attributes, what it requires that the
// object lacks, the verdict, and which of the two actions (deleting the conflicts, changing
// the class) may be offered. The window and the command line both show its result.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "directory/AttributeValues.h"
#include "directory/DirectorySession.h"
#include "util/TaggedList.h"

namespace recast::engine {

enum class Verdict {
  kNotReady,      // no object, no target class or no target definition
  kCancelled,     // the user cancelled part-way: the lines so far, no action
  kIncomplete,    // some values could not be read
  kNoConflicts,   // nothing in the way: the class can be changed now
  kUnvaluedOnly,  // only unvalued conflicts: the class can be changed now
  kDeleteFirst,   // valued deletable conflicts: delete them, then change the class
  kBlocked,       // undeletable conflicts (mandatory or naming attributes)
  // Mandatory attributes of the target class that the object's class lacks ("- " lines): the
  // directory refuses the class change until they have values, whatever is deleted first.
  // The window's buttons and summary follow their own rule (canRecast, canDelete); this
  // verdict keeps a bulk change from deleting values for a change that will be refused.
  kMissingMandatory,
};

// The name written in plans and --json output ("no-conflicts", "delete-first", ...).
const char* VerdictName(Verdict verdict);

// One line of the delta list; reference is the index of its first info line, -1 for none.
struct DeltaLine {
  std::string text;
  std::int32_t reference = -1;
};

// The attribute behind one delta line.
struct Conflict {
  std::string attribute;
  // '*' valued and deletable, '!' valued and undeletable, '-' missing mandatory,
  // '?' unreadable, ' ' unvalued (no action needed).
  char mark = ' ';
  std::string value;  // the value text as shown (values joined by CR LF); empty if none
};

// Which attributes of the object's class the target class allows, and which attributes of the
// target class the object's class has, by row; worked out once per pair of classes.
struct ClassPair {
  std::vector<bool> sourceInTarget;
  std::vector<bool> targetInSource;
  static ClassPair Of(const TaggedList& source, const TaggedList& target);
};

struct AnalysisInput {
  DirContext ctx = kNoContext;  // the context objectName is relative to
  std::string objectName;
  std::string objectClass;
  std::string targetClass;
  const TaggedList* sourceAttributes = nullptr;  // ReadClassOrSchemaAttributes(objectClass)
  const TaggedList* targetAttributes = nullptr;  // ReadClassAttributes(targetClass)
  bool targetRead = false;                       // the target's definition was read
  // Read every value the analysis needs in one request before the passes, instead of one
  // request per attribute: the same result, far fewer round trips for bulk work. The window
  // reads attribute by attribute so that a cancel can stop between reads.
  bool readTogether = false;
  const ClassPair* pair = nullptr;  // ClassPair::Of(source, target) when null
  // false: the info lines, the delta lines' texts and the verdict's summary stay empty (all
  // but the kNotReady and kCancelled summaries), and nothing is read for them. Bulk work
  // needs the verdict and the conflicts only.
  bool texts = true;
};

struct Analysis;

struct AnalysisHooks {
  std::function<bool()> cancelRequested;  // asked before each attribute; may be empty
  // Called after each attribute with the analysis so far (lines are only ever appended).
  std::function<void(const Analysis&)> step;
};

struct Analysis {
  std::vector<DeltaLine> delta;
  std::vector<std::string> info;
  std::vector<int> sourceHighlights;  // rows of sourceAttributes to select
  std::vector<int> targetHighlights;  // rows of targetAttributes to select
  // What stands in the way, in delta order: valued conflicts and missing mandatory ones.
  std::vector<std::string> conflictAttributeList;
  std::vector<Conflict> conflicts;  // one per delta line, same order
  std::int32_t undeletable = 0;
  std::int32_t deletable = 0;
  std::int32_t entries = 0;
  std::int32_t unreadable = 0;
  std::int32_t missing = 0;  // "- " lines
  Verdict verdict = Verdict::kNotReady;
  std::string summary;  // the verdict's text
  bool canRecast = false;
  bool canDelete = false;

  // The attributes a deletion removes: the valued deletable ones.
  std::vector<std::string> DeletableAttributes() const;
};

// Analyses input.objectName against input.targetClass. Reads values through session; never
// changes the directory. Without an object class, a target class or its definition the
// result is kNotReady with no lines.
Analysis AnalyseObject(DirectorySession& session, const AnalysisInput& input, const AnalysisHooks& hooks = {});

// What the analysis of one object reads from the directory, read ahead of the analysis itself
// (ObjectAnalyser::Prepare), so that AnalysePrepared can run on another thread while the next
// objects are read. input.texts is false.
struct PreparedAnalysis {
  AnalysisInput input;
  std::vector<AttributeRead> reads;
  // The names of the reads, which then carry none (the analyser's, as long as it lives).
  const std::vector<std::string>* names = nullptr;
  // The typed part of the object's own name when a valued conflict might be one of its naming
  // attributes; unset when no value needs it.
  std::optional<std::string> namePart;
};

// The analysis of a prepared object, as AnalyseObject with input.texts false would give it.
// Calls no directory function; the definitions prepared points at must outlive the call.
// Takes prepared's reads and name part; leaves prepared.input as it was.
Analysis AnalysePrepared(PreparedAnalysis&& prepared);

// Analyses objects one after another, reading each class definition once per tree.
class ObjectAnalyser {
 public:
  explicit ObjectAnalyser(DirectorySession& session) : session_(session) {}

  // Reads the definitions of objectClass and targetClass in ctx's tree (kept for later
  // calls) and analyses the object into *out. A failed class read returns its status and
  // leaves *out a kNotReady analysis.
  DirStatus Analyse(DirContext ctx, const std::string& objectName, const std::string& objectClass,
                    const std::string& targetClass, Analysis* out, const AnalysisHooks& hooks = {});

  // As Analyse, but only reads what the analysis needs into *out, for AnalysePrepared. A
  // failed class read returns its status and leaves *out without reads.
  DirStatus Prepare(DirContext ctx, const std::string& objectName, const std::string& objectClass,
                    const std::string& targetClass, PreparedAnalysis* out);

 private:
  struct Definition {
    std::string tree;
    std::string className;
    bool schemaWide = false;  // ReadClassOrSchemaAttributes rather than ReadClassAttributes
    VectorTaggedList attributes;
  };
  struct Pair {
    const TaggedList* source;
    const TaggedList* target;
    ClassPair pair;
    std::unique_ptr<AttributeReader> reader;  // what Prepare reads, made at its first use
  };
  // The input of Analyse and Prepare: the definitions (read once) and their pair.
  DirStatus InputFor(DirContext ctx, const std::string& objectName, const std::string& objectClass,
                     const std::string& targetClass, AnalysisInput* input, Pair** pair);
  // tree: ctx's tree name.
  DirStatus DefinitionFor(DirContext ctx, const std::string& tree, const std::string& className, bool schemaWide,
                          const TaggedList** out);

  DirectorySession& session_;
  std::deque<Definition> definitions_;  // stable addresses: callers hold two at once
  std::deque<Pair> pairs_;
};

}  // namespace recast::engine
