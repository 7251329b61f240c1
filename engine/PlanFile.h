#pragma once
// A plan: what recasting the objects of one container (or subtree) to one class would take,
// written by "plan" and carried out by "apply". JSON Lines (engine/JsonLines.h), LF ends:
//   line 1   {"plan":"recast-object","version":2,"id":..,"tree":..,"container":..,"to":..,
//             "from":..|null,"subtree":..,"created":..,"crc":..}
//   objects  {"object":..,"class":..,"target":..,"verdict":..,"stamp":..,"conflicts":[
//             {"attribute":..,"mark":"*","value":..},..],"unvalued":[name,..],"crc":..}
// The unvalued conflicts (mark " ") are only names: a class change can leave dozens per entry.
// Version 1 kept them among "conflicts" and had no "unvalued"; it is still read.
//   last     {"summary":{"objects":N,"no-conflicts":a,"unvalued-only":b,"delete-first":c,
//             "blocked":d,"incomplete":e},"crc":..}
// A plan is whole or absent: the writer writes a temporary beside it and gives it the plan's
// name only at Close; a reader rejects a plan without its summary line. Plans are owner-only
// (0600): they show attribute values.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Analysis.h"
#include "engine/JsonLines.h"

namespace recast::engine {

inline constexpr int kPlanVersion = 2;
inline constexpr int kOldestPlanVersion = 1;  // the oldest one still read

struct PlanHeader {
  std::string id;  // unique; NewPlanId() makes one
  std::string tree;
  std::string container;
  std::string to;                   // the target class
  std::optional<std::string> from;  // only objects of this class; none: every class
  bool subtree = false;
  std::string created;  // UTC ISO 8601; WriteHeader fills an empty one
};

struct PlanObject {
  std::string object;       // relative to the tree's default context, as the window writes it
  std::string objectClass;  // the class it had when planned
  std::string target;
  // kNoConflicts, kUnvaluedOnly, kDeleteFirst, kBlocked or kIncomplete.
  Verdict verdict = Verdict::kIncomplete;
  std::int64_t stamp = 0;  // modification time when planned, seconds since 1970 UTC
  // In the analysis's order, except that a plan read back holds the unvalued ones last.
  std::vector<Conflict> conflicts;
};

struct PlanSummary {
  std::int64_t objects = 0;
  std::int64_t noConflicts = 0;
  std::int64_t unvaluedOnly = 0;
  std::int64_t deleteFirst = 0;
  std::int64_t missingMandatory = 0;
  std::int64_t blocked = 0;
  std::int64_t incomplete = 0;
  // Counts object under its verdict; false (and nothing counted) for a verdict a plan does
  // not hold.
  bool Count(Verdict verdict);
  // The count of verdict; nullptr for a verdict a plan does not hold.
  std::int64_t* Slot(Verdict verdict);
  bool operator==(const PlanSummary&) const = default;
};

// A new plan id: the UTC time and a random part, "20261209T071500Z-1a2b3c4d"; only letters,
// digits and "-", so that it can be part of a file name.
std::string NewPlanId();

// The verdict named as plans write it ("delete-first"); nullopt for any other text.
std::optional<Verdict> PlanVerdictFromName(std::string_view name);

// Writes one plan: Open, WriteHeader, WriteObject for each object, WriteSummary, Close. Every
// call after a failed one fails the same way. Not thread-safe.
class PlanWriter {
 public:
  PlanWriter();
  ~PlanWriter();  // without a successful Close the temporary is removed: no plan stands
  PlanWriter(const PlanWriter&) = delete;
  PlanWriter& operator=(const PlanWriter&) = delete;

  // Creates the temporary beside path (path's folder must exist). An existing plan at path
  // is replaced at Close only.
  FileError Open(const std::filesystem::path& path);
  // Fills an empty header.created.
  FileError WriteHeader(const PlanHeader& header);
  FileError WriteObject(const PlanObject& object);
  // The counts of the objects written so far.
  FileError WriteSummary();
  // Flushes, syncs and renames the temporary to the plan's name (then syncs the folder).
  FileError Close();

  const PlanSummary& summary() const { return summary_; }

 private:
  // Seals *json and writes it as one line (*json is left sealed).
  FileError WriteLine(std::string* json);
  FileError Fail(std::string text);

  std::filesystem::path path_;
  std::filesystem::path temporary_;
  std::unique_ptr<char[]> fileBuffer_;  // glibc ignores setvbuf's size unless given the buffer
  std::FILE* file_ = nullptr;
  FileError error_;
  PlanSummary summary_;
  std::string line_;  // the object line being made, its storage kept from line to line
  std::int64_t lines_ = 0;
  bool headerWritten_ = false;
  bool summaryWritten_ = false;
};

// Reads a plan one line at a time: Open, Header, Next until it returns false, then error()
// says whether the plan ended properly (ok: the summary was read and matches the objects) or
// what is wrong. Errors name the line: "line 7: checksum does not match (the line was
// edited)". Not thread-safe.
class PlanReader {
 public:
  PlanReader();
  ~PlanReader();
  PlanReader(const PlanReader&) = delete;
  PlanReader& operator=(const PlanReader&) = delete;

  // Opens the file and reads its header line.
  FileError Open(const std::filesystem::path& path);
  // The same over a plan's whole text (for tests and fuzzing).
  FileError OpenText(std::string text);

  // Valid after a successful Open.
  const PlanHeader& Header() const { return header_; }
  // The next object into *object; false at the summary line or on an error (see error()).
  // *object is unchanged when it returns false.
  bool Next(PlanObject* object);
  // The first error met; ok() before one and after a proper end.
  const FileError& error() const { return error_; }
  // True once the summary line was read and checked.
  bool finished() const { return finished_; }
  // The summary line's counts, valid once finished().
  const PlanSummary& summary() const { return summary_; }

 private:
  FileError Start();
  bool ReadLine(std::string* line);
  bool Fail(std::int64_t line, std::string text);
  // Checks the summary line's counts against the objects read and ends the plan; false either
  // way (error_ says which).
  bool Finish(const PlanSummary& summary);

  std::string source_;  // the file name for messages
  std::unique_ptr<std::istream> in_;
  PlanHeader header_;
  std::int64_t version_ = 0;  // the header's
  PlanSummary counted_;
  PlanSummary summary_;
  FileError error_;
  std::int64_t line_ = 0;
  bool finished_ = false;
};

}  // namespace recast::engine
