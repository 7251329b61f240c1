#pragma once
// The journal: what each change removed and changed, on disk before the change is made, so
// that undo can put it back. One record per object change, then a mark of how it ended.
//
// JSON Lines form (".jsonl", trees not served over LDAP), every line sealed (JsonLines.h):
//   {"journal":"recast-object","version":1,"tree":..,"plan":..|null,"created":..,"crc":..}
//   {"record":N,"object":..,"from":..,"to":..|null,"removed":[{"attribute":..,"values":..}],"crc":..}
//   {"done":N,"crc":..}   {"failed":N,"status":S,"crc":..}   {"undone":N,"crc":..}
// LDIF form (".ldif", LDAP trees): "version: 1", then the same lines as comments
// "# recast-object: {...}", each record line followed by its restore LDIF change record and
// one blank line, so that `ldapmodify -e relax -f <journal>` also puts every change back.
// "values" is ExportAttributeValues' text; "to" is null for a record that only removes values.
//
// Files are 0600 in a 0700 folder: they hold values the directory may protect.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "directory/DirectoryClient.h"
#include "engine/JsonLines.h"

namespace recast::engine {

inline constexpr int kJournalVersion = 1;

enum class JournalForm { kJsonLines, kLdif };

struct JournalHeader {
  std::string tree;
  std::optional<std::string> plan;  // the plan id; none for the window's journal
  std::string created;              // UTC ISO 8601; OpenNew fills an empty one
};

struct RemovedAttribute {
  std::string attribute;
  std::string values;  // ExportAttributeValues' text
};

struct JournalRecord {
  std::int64_t number = 0;        // 1, 2, ... in the file; Append assigns it
  std::string object;             // relative to the context the change was made in
  std::string from;               // the class before the change
  std::optional<std::string> to;  // the class after it; none: only values removed
  std::vector<RemovedAttribute> removed;
  std::string restoreLdif;  // LDIF form: DescribeRestoreLdif's record (ends with LF)
};

enum class RecordState {
  kPending,  // written, no outcome: the change may or may not have been made
  kDone,
  kFailed,  // nothing or part of it was changed
  kUndone,
};

struct JournalEntry {
  JournalRecord record;
  RecordState state = RecordState::kPending;
  DirStatus failedStatus = 0;  // of kFailed
};

struct JournalContent {
  JournalForm form = JournalForm::kJsonLines;
  JournalHeader header;
  std::vector<JournalEntry> entries;  // by record number
  // Bytes of the file that hold whole lines (and, in LDIF form, whole records); a kill
  // mid-write leaves a torn rest after them, which OpenExisting cuts off.
  std::uint64_t soundBytes = 0;
  bool tornTail = false;
};

// <dataFolder>/journals.
std::filesystem::path JournalFolder(const std::filesystem::path& dataFolder);
// ".jsonl" or ".ldif".
const char* JournalExtension(JournalForm form);
// The journal of one plan's apply, found again when apply runs a second time:
// <journals>/<tree>-<plan id><extension>. Characters of tree that cannot stand in a file
// name ("/", control characters, a leading ".") become "_".
std::filesystem::path PlanJournalPath(const std::filesystem::path& dataFolder, std::string_view tree,
                                      std::string_view planId, JournalForm form);
// The window's journal of one UTC day: <journals>/window-<tree>-<YYYYMMDD><extension>.
std::filesystem::path WindowJournalPath(const std::filesystem::path& dataFolder, std::string_view tree,
                                        JournalForm form, std::time_t when);

// Reads a journal of either form (told by its first line). A torn last line (or, in LDIF
// form, a last record without its blank line) is not an error: content->tornTail says so.
// Errors name the line, as for plans. *content is unchanged on failure.
FileError ReadJournal(const std::filesystem::path& path, JournalContent* content);
// The same over a journal's whole text (for tests and fuzzing).
FileError ReadJournalText(std::string_view text, std::string_view source, JournalContent* content);

// Appends to one journal. Thread-safe: every call holds one mutex, so records and marks stand
// in the file in the order the calls were made.
class JournalWriter {
 public:
  JournalWriter();
  ~JournalWriter();
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  // Creates path (0600; missing folders 0700) with its header; fails if path exists.
  FileError OpenNew(const std::filesystem::path& path, JournalForm form, const JournalHeader& header);
  // Reads path (ReadJournal), cuts off a torn tail, and appends after its last record.
  FileError OpenExisting(const std::filesystem::path& path);
  // OpenExisting when path exists, else OpenNew.
  FileError Open(const std::filesystem::path& path, JournalForm form, const JournalHeader& header);

  // Gives record the next number and writes it; it is on disk (written and synced) before
  // Append returns. LDIF form: record.restoreLdif must hold the restore record.
  FileError Append(JournalRecord& record);
  // Appends each in order with one sync for all.
  FileError AppendBatch(std::vector<JournalRecord>& records);
  // Marks a record's outcome. Held back and written with the next record, Sync or Close (or
  // once kMarksHeld bytes of them wait), and not synced before that: a write per mark would
  // cost a bulk change as much as the rest of its journaling. A lost mark leaves the record
  // pending, which apply and undo handle. A failed write shows in what comes after it.
  FileError MarkDone(std::int64_t number);
  FileError MarkFailed(std::int64_t number, DirStatus status);
  FileError MarkUndone(std::int64_t number);
  FileError Sync();
  // Syncs and closes; also done by the destructor.
  FileError Close();

  bool isOpen() const;
  JournalForm form() const { return form_; }
  const std::filesystem::path& path() const { return path_; }
  // The records read by OpenExisting, with their states (empty after OpenNew).
  const std::vector<JournalEntry>& existing() const { return existing_; }

 private:
  // Writes the marks held back, then text (synced when sync).
  FileError WriteLocked(const std::string& text, bool sync);
  FileError HoldMark(const std::string& line);
  static constexpr std::size_t kMarksHeld = 32 * 1024;
  std::string marks_;  // written with what is written next
  FileError Fail(std::string text);

  mutable std::mutex mutex_;
  std::filesystem::path path_;
  JournalForm form_ = JournalForm::kJsonLines;
  int fd_ = -1;
  std::int64_t nextNumber_ = 1;
  std::vector<JournalEntry> existing_;
  FileError error_;
};

}  // namespace recast::engine
