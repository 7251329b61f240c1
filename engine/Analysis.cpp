#include "engine/Analysis.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <unordered_set>

#include "directory/AttributeDefinitions.h"
#include "directory/AttributeValues.h"
#include "directory/ClassDefinitions.h"
#include "directory/Contexts.h"
#include "directory/ErrorText.h"
#include "directory/NamingAttributes.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast::engine {

namespace {

constexpr const char* kAnalysisCancelled =
    "The analysis was cancelled, so the conflicts shown may be incomplete and both actions stay "
    "disabled. Choose the target class again to analyse the object in full.";

bool IsMandatoryKind(std::int32_t kind) { return kind == kItemNamingAttributes || kind == kItemMandatoryAttributes; }

bool IsStatus(DirStatus status, DirStatus code) { return std::llabs(status) == std::llabs(code); }

// A read that fails because the object has no such attribute or value answers "no value";
// any other failure (server down, object gone, value too large) leaves the value unknown.
bool IsUnreadable(DirStatus status) {
  return status != 0 && !IsStatus(status, kErrNoSuchAttribute) && !IsStatus(status, kErrNoSuchValue);
}

// The two passes over one object, keeping what they found in one Analysis. Without a session
// (a prepared analysis) every value comes from the reads given, and no text is made.
class Run {
 public:
  Run(DirectorySession& session, const AnalysisInput& input, const AnalysisHooks& hooks)
      : session_(&session), in_(input), hooks_(&hooks), texts_(input.texts) {}
  explicit Run(PreparedAnalysis& prepared)
      : in_(prepared.input),
        texts_(false),
        reads_(std::move(prepared.reads)),
        names_(prepared.names),
        namePart_(std::move(prepared.namePart)) {
    if (!namePart_) namePart_.emplace();
    namingTypes_ = NamePartAttributes(*namePart_);
  }

  bool Ready() const {
    return !in_.targetClass.empty() && !in_.objectClass.empty() && in_.targetRead && in_.sourceAttributes &&
           in_.targetAttributes;
  }

  // The names the two passes read: those the target does not allow, and its mandatory ones
  // the object's class has.
  static std::vector<std::string> NamesToRead(const AnalysisInput& in, const ClassPair& pair) {
    const TaggedList& source = *in.sourceAttributes;
    const TaggedList& target = *in.targetAttributes;
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(source.Count() + target.Count()));
    for (int i = 0; i < source.Count(); ++i) {
      if (!pair.sourceInTarget[i]) names.push_back(source.Text(i));
    }
    for (int i = 0; i < target.Count(); ++i) {
      if (IsMandatoryKind(target.Tag(i)) && pair.targetInSource[i]) names.push_back(target.Text(i));
    }
    return names;
  }

  // Whether the forbidden pass may ask for the object's name part: a valued conflict on an
  // attribute that is not mandatory.
  static bool NeedsNamePart(const AnalysisInput& in, const ClassPair& pair, const std::vector<AttributeRead>& reads) {
    const TaggedList& source = *in.sourceAttributes;
    const int count = source.Count();
    std::size_t next = 0;
    for (int i = 0; i < count && next < reads.size(); ++i) {
      if (pair.sourceInTarget[i]) continue;
      const AttributeRead& read = reads[next++];
      if (!IsMandatoryKind(source.Tag(i)) && read.status == 0 && !read.values.entries().empty()) return true;
    }
    return false;
  }

  Analysis Go() {
    if (!Ready()) {
      out_.summary = "Please select an Object and a target class";
      return std::move(out_);
    }
    if (!in_.pair) ownPair_ = ClassPair::Of(*in_.sourceAttributes, *in_.targetAttributes);
    pair_ = in_.pair ? in_.pair : &ownPair_;
    if (in_.readTogether && session_) {
      AttributeReader(*session_, NamesToRead(in_, *pair_)).Read(in_.ctx, in_.objectName, &reads_);
    }
    out_.delta.reserve(static_cast<std::size_t>(in_.sourceAttributes->Count()));
    out_.conflicts.reserve(static_cast<std::size_t>(in_.sourceAttributes->Count()));
    ForbiddenPass();
    RequiredPass();
    if (Cancelled()) {
      // What was found so far stays; an incomplete analysis enables no action.
      out_.verdict = Verdict::kCancelled;
      out_.summary = Format(kAnalysisCancelled, {});
      return std::move(out_);
    }
    Decide();
    return std::move(out_);
  }

 private:
  bool Cancelled() const { return hooks_ && hooks_->cancelRequested && hooks_->cancelRequested(); }
  void Step() {
    if (hooks_ && hooks_->step) hooks_->step(out_);
  }

  // Takes the texts: a line per attribute of every object of a bulk analysis.
  void AddLine(std::string&& text, std::int32_t reference, std::string&& attribute, char mark, std::string&& value) {
    // Made in place and filled: no temporary line to move in.
    DeltaLine& line = out_.delta.emplace_back();
    if (texts_) {
      line.text = std::move(text);
      line.reference = reference;
    }
    Conflict& conflict = out_.conflicts.emplace_back();
    conflict.attribute = std::move(attribute);
    conflict.mark = mark;
    conflict.value = std::move(value);
  }

  // The index the next info line gets, -1 without texts.
  std::int32_t NextInfo() const { return texts_ ? static_cast<std::int32_t>(out_.info.size()) : -1; }
  void AddInfo(std::string line) {
    if (texts_) out_.info.push_back(std::move(line));
  }

  void ReportUnreadable(const std::string& name, DirStatus status) {
    const std::int32_t reference = NextInfo();
    if (texts_) {
      AddInfo(Format("Error: Could not read attribute \"%s\": %s. Select the object again once it can be read.",
                     {name, DirErrorText(*session_, status)}));
    }
    ++out_.unreadable;
    ++out_.entries;
    AddLine("? " + name, reference, std::string(name), '?', std::string());
  }

  // The read of name among those given, else null. The passes ask in the order the reads were
  // made, so the next read is usually the one.
  const AttributeRead* FindRead(const std::string& name) {
    for (std::size_t n = 0; n < reads_.size(); ++n) {
      const std::size_t at = (nextRead_ + n) % reads_.size();
      if ((names_ ? (*names_)[at] : reads_[at].name) == name) {
        nextRead_ = (at + 1) % reads_.size();
        return &reads_[at];
      }
    }
    return nullptr;
  }

  DirStatus ReadValue(const std::string& name, std::string* value) {
    if (const AttributeRead* read = FindRead(name)) {
      // Most attributes asked for have no value: no text is joined for them.
      if (JoinedValueTextEmpty(read->values))
        value->clear();
      else
        *value = JoinValueText(read->values);
      return read->status;
    }
    // A prepared analysis was given every name it asks for; anything else is not known.
    if (!session_) return kErrBadArgument;
    return GetAttributeValueText(*session_, in_.ctx, in_.objectName, name, value);
  }

  // Whether name's value text is empty; where its read was given, without making the text.
  DirStatus ReadValueEmpty(const std::string& name, bool* empty) {
    if (const AttributeRead* read = FindRead(name)) {
      *empty = JoinedValueTextEmpty(read->values);
      return read->status;
    }
    std::string value;
    const DirStatus status = ReadValue(name, &value);
    *empty = value.empty();
    return status;
  }

  void AddType(const std::string& name) {
    std::string type;
    if (texts_ && DescribeAttribute(*session_, in_.ctx, name, &type) == 0) AddInfo(Format("   AttrType: (%s)", {type}));
  }

  // The typed part of the object's own name ("UID=jdoe") when name is one of its naming
  // attributes, else empty; read once when first needed.
  std::string NamePartHolding(const std::string& name) {
    if (!namePart_) {
      std::string part;
      namePart_ = ReadTypedLeafPart(*session_, in_.ctx, in_.objectName, &part) == 0 ? part : std::string();
      namingTypes_ = NamePartAttributes(*namePart_);
    }
    return IsOneOfText(name, namingTypes_, false) ? *namePart_ : std::string();
  }

  // What the target class does not allow.
  void ForbiddenPass() {
    const TaggedList& source = *in_.sourceAttributes;
    for (int i = 0; i < source.Count() && !Cancelled(); ++i) {
      if (pair_->sourceInTarget[i]) continue;
      std::string name = source.Text(i);
      std::string value;
      const DirStatus status = ReadValue(name, &value);
      if (IsUnreadable(status)) {
        ReportUnreadable(name, status);
        Step();
        continue;
      }
      const char* mark = "";
      char kind = ' ';
      std::int32_t reference = -1;
      if (status == 0 && !value.empty()) {
        out_.conflictAttributeList.push_back(name);
        reference = NextInfo();
        // A value that names the entry cannot be removed while the entry keeps its name.
        const bool mandatory = IsMandatoryKind(source.Tag(i));
        const std::string naming = mandatory ? std::string() : NamePartHolding(name);
        if (mandatory || !naming.empty()) {
          mark = "! ";
          kind = '!';
          ++out_.undeletable;
          out_.sourceHighlights.push_back(i);
          if (texts_) {
            AddInfo(Format("Error: We will not be able to delete attribute \"%s\" which is illegal for target class",
                           {name}));
            if (!naming.empty()) {
              AddInfo(Format("   It is part of the object's name \"%s\": rename the object to recast it", {naming}));
            }
          }
        } else {
          mark = "* ";
          kind = '*';
          ++out_.deletable;
          if (texts_) {
            AddInfo(
                Format("Warning: We will need to delete attribute \"%s\" which is illegal for target class", {name}));
          }
        }
        if (texts_) AddInfo(Format("   Current value: \"%s\"", {value}));
        AddType(name);
      }
      ++out_.entries;
      std::string line = texts_ ? mark + name : std::string();  // before name is moved
      AddLine(std::move(line), reference, std::move(name), kind, kind == ' ' ? std::string() : std::move(value));
      Step();
    }
  }

  // What the target class requires.
  void RequiredPass() {
    const TaggedList& target = *in_.targetAttributes;
    for (int i = 0; i < target.Count() && !Cancelled(); ++i) {
      if (!IsMandatoryKind(target.Tag(i))) continue;
      const std::string name = target.Text(i);
      if (!pair_->targetInSource[i]) {
        out_.targetHighlights.push_back(i);
        out_.conflictAttributeList.push_back(name);
        const std::int32_t reference = NextInfo();
        if (texts_) AddInfo(Format("Error: Mandatory target attribute \"%s\" not available for object", {name}));
        AddType(name);
        ++out_.entries;
        ++out_.missing;
        AddLine("- " + name, reference, std::string(name), '-', std::string());
      } else {
        bool empty = false;
        const DirStatus status = ReadValueEmpty(name, &empty);
        if (status == 0 && empty) {
          out_.targetHighlights.push_back(i);
          if (texts_) {
            AddInfo(Format("Warning: You need to assign a value to \"%s\" because it is mandatory for the target class",
                           {name}));
          }
        } else if (IsUnreadable(status)) {
          ReportUnreadable(name, status);
        }
      }
      Step();
    }
  }

  void Decide() {
    // Without every value the verdict would be a guess: neither action is offered.
    const bool complete = out_.unreadable == 0;
    out_.canRecast = complete && out_.deletable == 0 && out_.undeletable == 0;
    out_.canDelete = complete && out_.deletable > 0 && out_.undeletable == 0;
    if (!complete) {
      out_.verdict = Verdict::kIncomplete;
      if (texts_) {
        out_.summary = Format(
            "The analysis is incomplete: %d attributes could not be read, so it is not known whether the object can "
            "be recast. Remove the cause shown in the list and select the object again.",
            {out_.unreadable});
      }
    } else if (out_.entries == 0) {
      out_.verdict = Verdict::kNoConflicts;
      if (texts_) {
        out_.summary = Format("No conflicts. \"%s:%s\" can be changed to \"%s\"",
                              {in_.objectClass, in_.objectName, in_.targetClass});
      }
    } else if (out_.canDelete) {
      out_.verdict = Verdict::kDeleteFirst;
      if (texts_) {
        out_.summary = Format(
            "There are conflicts on %d valued attributes. You can recast the object after deleting these "
            "attributes.",
            {out_.deletable});
      }
    } else if (out_.canRecast) {
      out_.verdict = Verdict::kUnvaluedOnly;
      if (texts_) {
        out_.summary = Format(
            "There are attribute conflicts, but since these are on %d unvalued attributes, you can recast the "
            "object.",
            {out_.entries});
      }
    } else {
      out_.verdict = Verdict::kBlocked;
      if (texts_) {
        out_.summary =
            Format("There are conflicts on %d mandatory attributes. You cannot recast the object.", {out_.undeletable});
      }
    }
    if (complete && out_.undeletable == 0 && out_.missing > 0) out_.verdict = Verdict::kMissingMandatory;
  }

  DirectorySession* session_ = nullptr;
  const AnalysisInput& in_;
  const AnalysisHooks* hooks_ = nullptr;
  const bool texts_;
  Analysis out_;
  ClassPair ownPair_;
  const ClassPair* pair_ = nullptr;
  std::vector<AttributeRead> reads_;                 // with readTogether, or prepared
  const std::vector<std::string>* names_ = nullptr;  // of reads_, when they carry none
  std::size_t nextRead_ = 0;                         // where ReadValue looks first
  std::optional<std::string> namePart_;
  std::vector<std::string> namingTypes_;
};

}  // namespace

const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::kNotReady:
      return "not-ready";
    case Verdict::kCancelled:
      return "cancelled";
    case Verdict::kIncomplete:
      return "incomplete";
    case Verdict::kNoConflicts:
      return "no-conflicts";
    case Verdict::kUnvaluedOnly:
      return "unvalued-only";
    case Verdict::kDeleteFirst:
      return "delete-first";
    case Verdict::kBlocked:
      return "blocked";
    case Verdict::kMissingMandatory:
      return "missing-mandatory";
  }
  return "not-ready";
}

std::vector<std::string> Analysis::DeletableAttributes() const {
  std::vector<std::string> names;
  for (const Conflict& c : conflicts) {
    if (c.mark == '*') names.push_back(c.attribute);
  }
  return names;
}

ClassPair ClassPair::Of(const TaggedList& source, const TaggedList& target) {
  const auto folded = [](const TaggedList& list) {
    std::unordered_set<std::string> names;
    for (int i = 0; i < list.Count(); ++i) names.insert(LowerAscii(list.Text(i)));
    return names;
  };
  const auto sourceNames = folded(source);
  const auto targetNames = folded(target);
  ClassPair pair;
  for (int i = 0; i < source.Count(); ++i)
    pair.sourceInTarget.push_back(targetNames.count(LowerAscii(source.Text(i))) > 0);
  for (int i = 0; i < target.Count(); ++i)
    pair.targetInSource.push_back(sourceNames.count(LowerAscii(target.Text(i))) > 0);
  return pair;
}

Analysis AnalyseObject(DirectorySession& session, const AnalysisInput& input, const AnalysisHooks& hooks) {
  return Run(session, input, hooks).Go();
}

Analysis AnalysePrepared(PreparedAnalysis&& prepared) { return Run(prepared).Go(); }

DirStatus ObjectAnalyser::DefinitionFor(DirContext ctx, const std::string& tree, const std::string& className,
                                        bool schemaWide, const TaggedList** out) {
  for (const Definition& d : definitions_) {
    if (d.schemaWide == schemaWide && d.tree == tree && d.className == className) {
      *out = &d.attributes;
      return 0;
    }
  }
  Definition d;
  d.tree = tree;
  d.className = className;
  d.schemaWide = schemaWide;
  const DirStatus status = schemaWide ? ReadClassOrSchemaAttributes(session_, ctx, className, d.attributes)
                                      : ReadClassAttributes(session_, ctx, className, d.attributes);
  if (status != 0) return status;
  definitions_.push_back(std::move(d));
  *out = &definitions_.back().attributes;
  return 0;
}

DirStatus ObjectAnalyser::InputFor(DirContext ctx, const std::string& objectName, const std::string& objectClass,
                                   const std::string& targetClass, AnalysisInput* input, Pair** pair) {
  const TaggedList* source = nullptr;
  const TaggedList* target = nullptr;
  const std::string tree = GetContextTreeName(session_, ctx);
  if (DirStatus s = DefinitionFor(ctx, tree, objectClass, true, &source); s != 0) return s;
  if (DirStatus s = DefinitionFor(ctx, tree, targetClass, false, &target); s != 0) return s;
  input->ctx = ctx;
  input->objectName = objectName;
  input->objectClass = objectClass;
  input->targetClass = targetClass;
  input->sourceAttributes = source;
  input->targetAttributes = target;
  input->targetRead = true;
  input->readTogether = true;
  const auto known = std::find_if(pairs_.begin(), pairs_.end(),
                                  [&](const Pair& p) { return p.source == source && p.target == target; });
  *pair = known != pairs_.end() ? &*known
                                : &pairs_.emplace_back(Pair{source, target, ClassPair::Of(*source, *target), nullptr});
  input->pair = &(*pair)->pair;
  return 0;
}

DirStatus ObjectAnalyser::Analyse(DirContext ctx, const std::string& objectName, const std::string& objectClass,
                                  const std::string& targetClass, Analysis* out, const AnalysisHooks& hooks) {
  *out = Analysis{};
  out->summary = "Please select an Object and a target class";
  AnalysisInput input;
  Pair* pair = nullptr;
  if (DirStatus s = InputFor(ctx, objectName, objectClass, targetClass, &input, &pair); s != 0) return s;
  *out = AnalyseObject(session_, input, hooks);
  return 0;
}

DirStatus ObjectAnalyser::Prepare(DirContext ctx, const std::string& objectName, const std::string& objectClass,
                                  const std::string& targetClass, PreparedAnalysis* out) {
  *out = PreparedAnalysis{};
  out->input.texts = false;
  Pair* pair = nullptr;
  if (DirStatus s = InputFor(ctx, objectName, objectClass, targetClass, &out->input, &pair); s != 0) return s;
  if (!pair->reader)
    pair->reader = std::make_unique<AttributeReader>(session_, Run::NamesToRead(out->input, pair->pair));
  pair->reader->Read(ctx, objectName, &out->reads, false);
  out->names = &pair->reader->names();
  if (Run::NeedsNamePart(out->input, *out->input.pair, out->reads)) {
    std::string part;
    out->namePart = ReadTypedLeafPart(session_, ctx, objectName, &part) == 0 ? part : std::string();
  }
  return 0;
}

}  // namespace recast::engine
