#include "engine/Journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "engine/JsonFields.h"
#include "util/Format.h"

namespace recast::engine {
namespace {

constexpr const char* kJournalMagic = "recast-object";
constexpr std::string_view kLdifVersion = "version: 1";
constexpr std::string_view kCommentPrefix = "# recast-object: ";
constexpr const char* kEdited =
    "the journal was changed after it was written; put back its saved copy, or move the file away to start a new "
    "journal";

std::string FileNamePart(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    out += (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) ? '_' : c;
  }
  if (out.empty() || out.front() == '.') out.insert(out.begin(), '_');
  return out;
}

// Makes the missing folders of folder, each owner-only.
bool MakeFolders(const std::filesystem::path& folder, int* error) {
  std::error_code ec;
  if (folder.empty() || std::filesystem::is_directory(folder, ec)) return true;
  if (folder.has_parent_path() && folder.parent_path() != folder && !MakeFolders(folder.parent_path(), error)) {
    return false;
  }
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = errno;
    return false;
  }
  return true;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string Line(JournalForm form, const json::Object& o) {
  std::string line = SealLine(json::Dump(o));
  if (form == JournalForm::kLdif) line.insert(0, kCommentPrefix);
  return line + '\n';
}

// ---- Reading ---------------------------------------------------------------------------------

class Parser {
 public:
  Parser(std::string_view text, std::string_view source) : text_(text), source_(source) {}

  FileError Run(JournalContent* out) {
    std::string_view first;
    if (!PeekLine(0, &first)) {
      return Error(0, "the file is empty: not a journal of this program; give a journal from the journals folder");
    }
    if (first == kLdifVersion) {
      content_.form = JournalForm::kLdif;
      Advance();
    } else {
      content_.form = JournalForm::kJsonLines;
    }
    if (!ReadAll()) return error_;
    *out = std::move(content_);
    return {};
  }

 private:
  // The line starting at offset without its LF; false at the end or for a torn last line.
  bool PeekLine(std::size_t offset, std::string_view* line) const {
    if (offset >= text_.size()) return false;
    const std::size_t end = text_.find('\n', offset);
    if (end == std::string_view::npos) return false;
    *line = text_.substr(offset, end - offset);
    return true;
  }
  void Advance() {
    const std::size_t end = text_.find('\n', pos_);
    pos_ = end + 1;
    ++line_;
  }
  bool AtTornTail() const { return pos_ < text_.size() && text_.find('\n', pos_) == std::string_view::npos; }

  FileError Error(std::int64_t line, std::string text) {
    error_.line = line;
    error_.text = line > 0 ? Format("line %d: %s", {static_cast<std::int32_t>(line), text}) : std::move(text);
    return error_;
  }
  bool Fail(std::string text) {
    Error(line_ + 1, std::move(text));
    return false;
  }

  bool ReadAll() {
    bool headerRead = false;
    for (;;) {
      const std::size_t start = pos_;
      std::string_view line;
      if (!PeekLine(pos_, &line)) {
        content_.tornTail = AtTornTail();
        content_.soundBytes = start;
        if (!headerRead) {
          if (content_.tornTail) return Fail("the journal's header line is cut short; this journal holds no record");
          return Fail("the journal has no header line: not a journal of this program");
        }
        return true;
      }
      if (content_.form == JournalForm::kLdif) {
        if (line.substr(0, kCommentPrefix.size()) != kCommentPrefix) {
          return Fail(Format("not a line this program writes (a \"%s\" comment was expected); %s",
                             {std::string(kCommentPrefix), kEdited}));
        }
        line.remove_prefix(kCommentPrefix.size());
      }
      std::string covered;
      const LineSeal seal = CheckLineSeal(line, &covered);
      if (!headerRead) {
        // Who wrote it is told before whether it is intact.
        const json::Value probe = json::Parse(seal == LineSeal::kSealed ? covered : std::string(line));
        std::string magic;
        if (!json::GetText(probe, "journal", &magic) || magic != kJournalMagic) {
          Error(0,
                "not a journal of this program (its first line is no journal header); give a journal from the "
                "journals folder");
          return false;
        }
        std::int64_t version = 0;
        if (json::GetInteger(probe, "version", &version) && version != kJournalVersion) {
          return Fail(
              Format("journal version %s is not supported (this program reads version %d); undo it with the "
                     "program that wrote it",
                     {std::to_string(version), kJournalVersion}));
        }
      }
      if (seal == LineSeal::kMismatch)
        return Fail(Format("checksum does not match (the line was edited); %s", {kEdited}));
      if (seal == LineSeal::kUnsealed)
        return Fail(Format("the line has no checksum (the line was edited); %s", {kEdited}));
      const json::Value o = json::Parse(covered);
      if (!o.is_object()) return Fail(Format("the line is not a JSON object; %s", {kEdited}));
      if (!headerRead) {
        if (!Header(o)) return false;
        headerRead = true;
        Advance();
        continue;
      }
      if (json::Member(o, "record") != nullptr) {
        JournalRecord record;
        if (!Record(o, &record)) return false;
        Advance();
        if (content_.form == JournalForm::kLdif) {
          // The restore record follows up to its blank line; without it the record is torn.
          std::string_view ldifLine;
          while (PeekLine(pos_, &ldifLine) && !ldifLine.empty()) {
            if (ldifLine.substr(0, kCommentPrefix.size()) == kCommentPrefix) {
              return Fail(Format("record %d's restore record does not end with a blank line; %s",
                                 {static_cast<std::int32_t>(record.number), kEdited}));
            }
            record.restoreLdif.append(ldifLine).append("\n");
            Advance();
          }
          if (!PeekLine(pos_, &ldifLine)) {
            content_.tornTail = true;
            content_.soundBytes = start;
            return true;
          }
          if (record.restoreLdif.empty()) {
            return Fail(Format("record %d has no restore record after it; %s",
                               {static_cast<std::int32_t>(record.number), kEdited}));
          }
          Advance();  // the blank line
        }
        content_.entries.push_back({std::move(record), RecordState::kPending, 0});
        continue;
      }
      if (!Mark(o)) return false;
      Advance();
    }
  }

  bool Header(const json::Value& o) {
    std::int64_t version = 0;
    if (!json::GetInteger(o, "version", &version)) return Fail("the header's \"version\" is missing or not valid");
    if (!json::GetText(o, "tree", &content_.header.tree)) return Fail("the header's \"tree\" is missing or not valid");
    const json::Value* plan = json::Member(o, "plan");
    if (plan == nullptr || !(plan->is_null() || plan->is_string())) {
      return Fail("the header's \"plan\" is missing or not valid");
    }
    if (plan->is_string()) content_.header.plan = plan->get_ref<const std::string&>();
    if (!json::GetText(o, "created", &content_.header.created)) {
      return Fail("the header's \"created\" is missing or not valid");
    }
    return true;
  }

  bool Record(const json::Value& o, JournalRecord* record) {
    const char* bad = nullptr;
    if (!json::GetInteger(o, "record", &record->number))
      bad = "record";
    else if (!json::GetText(o, "object", &record->object) || record->object.empty())
      bad = "object";
    else if (!json::GetText(o, "from", &record->from) || record->from.empty())
      bad = "from";
    else {
      const json::Value* to = json::Member(o, "to");
      const json::Value* removed = json::Member(o, "removed");
      if (to == nullptr || !(to->is_null() || (to->is_string() && !to->get_ref<const std::string&>().empty()))) {
        bad = "to";
      } else if (removed == nullptr || !removed->is_array()) {
        bad = "removed";
      } else {
        if (to->is_string()) record->to = to->get_ref<const std::string&>();
        for (const json::Value& item : *removed) {
          RemovedAttribute r;
          if (!json::GetText(item, "attribute", &r.attribute) || r.attribute.empty() ||
              !json::GetText(item, "values", &r.values)) {
            bad = "removed";
            break;
          }
          record->removed.push_back(std::move(r));
        }
      }
    }
    if (bad != nullptr) return Fail(Format("the record's \"%s\" is missing or not valid; %s", {bad, kEdited}));
    const auto expected = static_cast<std::int64_t>(content_.entries.size()) + 1;
    if (record->number != expected) {
      return Fail(Format("record %s where record %s was due (records were removed or moved); %s",
                         {std::to_string(record->number), std::to_string(expected), kEdited}));
    }
    return true;
  }

  bool Mark(const json::Value& o) {
    struct Kind {
      const char* name;
      RecordState state;
    };
    for (const Kind& kind : {Kind{"done", RecordState::kDone}, Kind{"failed", RecordState::kFailed},
                             Kind{"undone", RecordState::kUndone}}) {
      if (json::Member(o, kind.name) == nullptr) continue;
      std::int64_t number = 0;
      if (!json::GetInteger(o, kind.name, &number)) {
        return Fail(Format("the mark's \"%s\" is not a record number; %s", {kind.name, kEdited}));
      }
      if (number < 1 || number > static_cast<std::int64_t>(content_.entries.size())) {
        return Fail(
            Format("a mark for record %s, which comes before it nowhere; %s", {std::to_string(number), kEdited}));
      }
      JournalEntry& entry = content_.entries[static_cast<std::size_t>(number - 1)];
      if (kind.state == RecordState::kFailed) {
        std::int64_t status = 0;
        if (!json::GetInteger(o, "status", &status) || status < INT32_MIN || status > INT32_MAX) {
          return Fail(Format("the mark's \"status\" is missing or not valid; %s", {kEdited}));
        }
        entry.failedStatus = static_cast<DirStatus>(status);
      }
      entry.state = kind.state;
      return true;
    }
    return Fail(Format("not a line this program writes (no record and no mark); %s", {kEdited}));
  }

  std::string_view text_;
  std::string_view source_;
  std::size_t pos_ = 0;
  std::int64_t line_ = 0;  // lines consumed
  JournalContent content_;
  FileError error_;
};

}  // namespace

std::filesystem::path JournalFolder(const std::filesystem::path& dataFolder) { return dataFolder / "journals"; }

const char* JournalExtension(JournalForm form) { return form == JournalForm::kLdif ? ".ldif" : ".jsonl"; }

std::filesystem::path PlanJournalPath(const std::filesystem::path& dataFolder, std::string_view tree,
                                      std::string_view planId, JournalForm form) {
  return JournalFolder(dataFolder) / (FileNamePart(tree) + "-" + FileNamePart(planId) + JournalExtension(form));
}

std::filesystem::path WindowJournalPath(const std::filesystem::path& dataFolder, std::string_view tree,
                                        JournalForm form, std::time_t when) {
  std::tm utc{};
  gmtime_r(&when, &utc);
  char day[16];
  std::strftime(day, sizeof day, "%Y%m%d", &utc);
  return JournalFolder(dataFolder) / ("window-" + FileNamePart(tree) + "-" + day + JournalExtension(form));
}

FileError ReadJournalText(std::string_view text, std::string_view source, JournalContent* content) {
  return Parser(text, source).Run(content);
}

FileError ReadJournal(const std::filesystem::path& path, JournalContent* content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return {0, Format("cannot read the journal %s: %s; check the name (journals are in %s)",
                      {path.string(), ErrnoText(errno), path.parent_path().string()})};
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return {0, Format("cannot read the journal %s: %s", {path.string(), ErrnoText(errno)})};
  return ReadJournalText(text.str(), path.string(), content);
}

// ---- JournalWriter ---------------------------------------------------------------------------

JournalWriter::JournalWriter() = default;

JournalWriter::~JournalWriter() { Close(); }

FileError JournalWriter::Fail(std::string text) {
  if (error_.ok()) error_.text = std::move(text);
  return error_;
}

bool JournalWriter::isOpen() const {
  std::lock_guard lock(mutex_);
  return fd_ >= 0;
}

FileError JournalWriter::OpenNew(const std::filesystem::path& path, JournalForm form, const JournalHeader& header) {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) return Fail("the journal writer is already open");
  int error = 0;
  if (path.has_parent_path() && !MakeFolders(path.parent_path(), &error)) {
    return Fail(Format("cannot make the journals folder %s: %s; make it writable",
                       {path.parent_path().string(), ErrnoText(error)}));
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    return Fail(Format("cannot make the journal %s: %s; nothing was changed", {path.string(), ErrnoText(errno)}));
  }
  fd_ = fd;
  path_ = path;
  form_ = form;
  nextNumber_ = 1;
  existing_.clear();
  json::Object o;
  o["journal"] = kJournalMagic;
  o["version"] = kJournalVersion;
  o["tree"] = header.tree;
  o["plan"] = header.plan ? json::Object(*header.plan) : json::Object(nullptr);
  o["created"] = header.created.empty() ? UtcTimestamp() : header.created;
  std::string text = Line(form, o);
  if (form == JournalForm::kLdif) text.insert(0, std::string(kLdifVersion) + "\n");
  return WriteLocked(text, true);
}

FileError JournalWriter::OpenExisting(const std::filesystem::path& path) {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) return Fail("the journal writer is already open");
  JournalContent content;
  if (FileError e = ReadJournal(path, &content); !e.ok()) {
    return Fail(Format("%s (%s)", {e.text, path.string()}));
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) {
    return Fail(Format("cannot write the journal %s: %s; nothing was changed", {path.string(), ErrnoText(errno)}));
  }
  // A kill mid-write leaves a torn rest; its change was never made, since records are on
  // disk before a change.
  if (content.tornTail && (::ftruncate(fd, static_cast<off_t>(content.soundBytes)) != 0 || ::fsync(fd) != 0)) {
    const int error = errno;
    ::close(fd);
    return Fail(Format("cannot cut the torn end off the journal %s: %s", {path.string(), ErrnoText(error)}));
  }
  fd_ = fd;
  path_ = path;
  form_ = content.form;
  nextNumber_ = static_cast<std::int64_t>(content.entries.size()) + 1;
  existing_ = std::move(content.entries);
  return error_;
}

FileError JournalWriter::Open(const std::filesystem::path& path, JournalForm form, const JournalHeader& header) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) return OpenExisting(path);
  return OpenNew(path, form, header);
}

FileError JournalWriter::WriteLocked(const std::string& text, bool sync) {
  if (!error_.ok()) return error_;
  if (fd_ < 0) return Fail("the journal writer is not open");
  // The marks held back go first, in the order they were made.
  std::string out = std::move(marks_);
  marks_.clear();
  out += text;
  const off_t before = ::lseek(fd_, 0, SEEK_END);
  if (!WriteAll(fd_, out) || (sync && ::fdatasync(fd_) != 0)) {
    const int error = errno;
    // Leave no torn line for the lines after it to follow.
    if (before >= 0 && ::ftruncate(fd_, before) == 0) ::fdatasync(fd_);
    return Fail(
        Format("cannot write the journal %s: %s; free space on its disk (nothing more is changed until the "
               "journal can be written)",
               {path_.string(), ErrnoText(error)}));
  }
  return error_;
}

FileError JournalWriter::AppendBatch(std::vector<JournalRecord>& records) {
  std::lock_guard lock(mutex_);
  if (!error_.ok()) return error_;
  std::string text;
  std::int64_t number = nextNumber_;
  for (JournalRecord& record : records) {
    bool utf8 = json::IsUtf8(record.object) && json::IsUtf8(record.from) && (!record.to || json::IsUtf8(*record.to));
    json::Object removed = json::Object::array();
    for (const RemovedAttribute& r : record.removed) {
      utf8 = utf8 && json::IsUtf8(r.attribute) && json::IsUtf8(r.values);
      json::Object item;
      item["attribute"] = r.attribute;
      item["values"] = r.values;
      removed.push_back(std::move(item));
    }
    // A record that could not be read back exactly would not undo what it describes.
    if (!utf8)
      return {0, Format("cannot journal the change of %s: a name or value is not UTF-8 text; nothing was changed",
                        {record.object})};
    if (record.object.empty() || record.from.empty()) {
      return {0, "cannot journal a change without its object and class; nothing was changed"};
    }
    std::string ldif = record.restoreLdif;
    if (form_ == JournalForm::kLdif) {
      if (!ldif.empty() && ldif.back() != '\n') ldif += '\n';
      if (ldif.empty() || ldif.find("\n\n") != std::string::npos || ldif.front() == '\n') {
        return {0, Format("cannot journal the change of %s: its restore record is missing or has blank lines; "
                          "nothing was changed",
                          {record.object})};
      }
    }
    json::Object o;
    o["record"] = number;
    o["object"] = record.object;
    o["from"] = record.from;
    o["to"] = record.to ? json::Object(*record.to) : json::Object(nullptr);
    o["removed"] = std::move(removed);
    text += Line(form_, o);
    if (form_ == JournalForm::kLdif) text += ldif + "\n";
    record.restoreLdif = std::move(ldif);
    ++number;
  }
  if (FileError e = WriteLocked(text, true); !e.ok()) return e;
  for (JournalRecord& record : records) record.number = nextNumber_++;
  return error_;
}

FileError JournalWriter::Append(JournalRecord& record) {
  std::vector<JournalRecord> one{std::move(record)};
  FileError e = AppendBatch(one);
  record = std::move(one.front());
  return e;
}

namespace {
json::Object MarkObject(const char* kind, std::int64_t number) {
  json::Object o;
  o[kind] = number;
  return o;
}
}  // namespace

FileError JournalWriter::HoldMark(const std::string& line) {
  if (!error_.ok()) return error_;
  if (fd_ < 0) return Fail("the journal writer is not open");
  marks_ += line;
  if (marks_.size() >= kMarksHeld) return WriteLocked({}, false);
  return error_;
}

FileError JournalWriter::MarkDone(std::int64_t number) {
  std::lock_guard lock(mutex_);
  return HoldMark(Line(form_, MarkObject("done", number)));
}

FileError JournalWriter::MarkFailed(std::int64_t number, DirStatus status) {
  std::lock_guard lock(mutex_);
  json::Object o = MarkObject("failed", number);
  o["status"] = status;
  return HoldMark(Line(form_, o));
}

FileError JournalWriter::MarkUndone(std::int64_t number) {
  std::lock_guard lock(mutex_);
  return HoldMark(Line(form_, MarkObject("undone", number)));
}

FileError JournalWriter::Sync() {
  std::lock_guard lock(mutex_);
  if (!error_.ok() || fd_ < 0) return error_;
  return WriteLocked({}, true);
}

FileError JournalWriter::Close() {
  std::lock_guard lock(mutex_);
  if (fd_ < 0) return error_;
  if (!marks_.empty()) WriteLocked({}, false);  // a failure stays in error_
  const bool synced = ::fdatasync(fd_) == 0;
  const int error = errno;
  ::close(fd_);
  fd_ = -1;
  if (!synced) return Fail(Format("cannot write the journal %s: %s", {path_.string(), ErrnoText(error)}));
  return error_;
}

}  // namespace recast::engine
