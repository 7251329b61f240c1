#include "engine/PlanFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <sstream>

#include "engine/JsonFields.h"
#include "engine/PlanLine.h"
#include "util/FileDescriptor.h"
#include "util/Format.h"

namespace recast::engine {
namespace {

constexpr const char* kPlanMagic = "recast-object";
constexpr const char* kRemake = "make the plan again with \"plan\"";

// In the order the summary line writes them.
constexpr Verdict kPlanVerdicts[] = {Verdict::kNoConflicts,      Verdict::kUnvaluedOnly, Verdict::kDeleteFirst,
                                     Verdict::kMissingMandatory, Verdict::kBlocked,      Verdict::kIncomplete};

// Reads the counts of a summary line into *s; the name of the first that is missing or not a
// count, else nullptr.
const char* ReadSummaryCounts(const json::Value& counts, PlanSummary* s) {
  std::vector<std::pair<const char*, std::int64_t*>> fields = {{"objects", &s->objects}};
  for (Verdict v : kPlanVerdicts) fields.push_back({VerdictName(v), s->Slot(v)});
  for (const auto& [name, slot] : fields) {
    if (!json::GetInteger(counts, name, slot) || *slot < 0) return name;
  }
  return nullptr;
}

// Syncs the folder holding path, so that a rename in it lasts.
void SyncFolder(const std::filesystem::path& path) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() >= 0) ::fsync(fd.get());
}

}  // namespace

std::int64_t* PlanSummary::Slot(Verdict verdict) {
  switch (verdict) {
    case Verdict::kNoConflicts:
      return &noConflicts;
    case Verdict::kUnvaluedOnly:
      return &unvaluedOnly;
    case Verdict::kDeleteFirst:
      return &deleteFirst;
    case Verdict::kBlocked:
      return &blocked;
    case Verdict::kMissingMandatory:
      return &missingMandatory;
    case Verdict::kIncomplete:
      return &incomplete;
    default:
      return nullptr;
  }
}

bool PlanSummary::Count(Verdict verdict) {
  std::int64_t* slot = Slot(verdict);
  if (slot == nullptr) return false;
  ++*slot;
  ++objects;
  return true;
}

std::string NewPlanId() {
  const std::string stamp = UtcTimestamp();  // 2026-12-09T07:15:00Z
  std::string compact;
  for (char c : stamp) {
    if (c != '-' && c != ':') compact += c;
  }
  std::random_device device;
  return Format("%s-%.8x", {compact, static_cast<std::uint32_t>(device())});
}

std::optional<Verdict> PlanVerdictFromName(std::string_view name) {
  for (Verdict v : kPlanVerdicts) {
    if (name == VerdictName(v)) return v;
  }
  return std::nullopt;
}

// ---- PlanWriter ----------------------------------------------------------------------------

PlanWriter::PlanWriter() = default;

PlanWriter::~PlanWriter() {
  if (file_ != nullptr) std::fclose(file_);
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

FileError PlanWriter::Fail(std::string text) {
  if (error_.ok()) error_.text = std::move(text);
  return error_;
}

FileError PlanWriter::Open(const std::filesystem::path& path) {
  if (!error_.ok()) return error_;
  if (file_ != nullptr || !temporary_.empty()) return Fail("the plan writer is already open");
  path_ = path;
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  std::string name = (folder / ".plan-XXXXXX").string();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    const int error = errno;
    return Fail(
        Format("cannot write the plan %s: %s; choose a folder you may write to", {path.string(), ErrnoText(error)}));
  }
  temporary_ = name;
  file_ = ::fdopen(fd, "w");
  if (file_ == nullptr) {
    ::close(fd);
    return Fail(Format("cannot write the plan %s: %s", {path.string(), ErrnoText(errno)}));
  }
  // A plan is tens of MiB: few, large writes.
  constexpr std::size_t kBufferBytes = std::size_t{1} << 20;
  fileBuffer_ = std::make_unique<char[]>(kBufferBytes);
  std::setvbuf(file_, fileBuffer_.get(), _IOFBF, kBufferBytes);
  return error_;
}

FileError PlanWriter::WriteLine(std::string* json) {
  if (!error_.ok()) return error_;
  if (file_ == nullptr) return Fail("the plan writer is not open");
  SealInPlace(json);
  json->push_back('\n');
  if (std::fwrite(json->data(), 1, json->size(), file_) != json->size()) {
    return Fail(Format("cannot write the plan %s: %s; free space on the disk and plan again",
                       {path_.string(), ErrnoText(errno)}));
  }
  ++lines_;
  return error_;
}

FileError PlanWriter::WriteHeader(const PlanHeader& header) {
  if (headerWritten_) return Fail("the plan header was already written");
  json::Object o;
  o["plan"] = kPlanMagic;
  o["version"] = kPlanVersion;
  o["id"] = header.id;
  o["tree"] = header.tree;
  o["container"] = header.container;
  o["to"] = header.to;
  o["from"] = header.from ? json::Object(*header.from) : json::Object(nullptr);
  o["subtree"] = header.subtree;
  o["created"] = header.created.empty() ? UtcTimestamp() : header.created;
  headerWritten_ = true;
  std::string line = json::Dump(o);
  return WriteLine(&line);
}

FileError PlanWriter::WriteObject(const PlanObject& object) {
  if (!headerWritten_ || summaryWritten_) return Fail("plan objects go between the header and the summary");
  if (!summary_.Count(object.verdict)) {
    return Fail(Format("a plan holds no objects of verdict \"%s\"", {VerdictName(object.verdict)}));
  }
  // Written member by member rather than through a document: a plan line per object of a large
  // container. The bytes are those json::Dump gives for the same members.
  std::string& line = line_;
  line.assign("{\"object\":");
  json::AppendText(&line, object.object);
  line += ",\"class\":";
  json::AppendText(&line, object.objectClass);
  line += ",\"target\":";
  json::AppendText(&line, object.target);
  line += ",\"verdict\":";
  json::AppendText(&line, VerdictName(object.verdict));
  line += ",\"stamp\":" + std::to_string(object.stamp) + ",\"conflicts\":[";
  bool first = true;
  for (const Conflict& c : object.conflicts) {
    if (c.mark == ' ') continue;
    line += first ? "{\"attribute\":" : ",{\"attribute\":";
    first = false;
    json::AppendText(&line, c.attribute);
    line += ",\"mark\":";
    json::AppendText(&line, std::string_view(&c.mark, 1));
    line += ",\"value\":";
    json::AppendText(&line, c.value);
    line += '}';
  }
  line += "],\"unvalued\":[";
  first = true;
  for (const Conflict& c : object.conflicts) {
    if (c.mark != ' ') continue;
    if (!first) line += ',';
    first = false;
    json::AppendText(&line, c.attribute);
  }
  line += "]}";
  return WriteLine(&line);
}

FileError PlanWriter::WriteSummary() {
  if (!headerWritten_ || summaryWritten_) return Fail("the plan summary goes after the header, once");
  json::Object counts;
  counts["objects"] = summary_.objects;
  for (Verdict v : kPlanVerdicts) counts[VerdictName(v)] = *summary_.Slot(v);
  json::Object o;
  o["summary"] = std::move(counts);
  summaryWritten_ = true;
  std::string line = json::Dump(o);
  return WriteLine(&line);
}

FileError PlanWriter::Close() {
  if (!error_.ok()) return error_;
  if (file_ == nullptr) return Fail("the plan writer is not open");
  if (!summaryWritten_) return Fail("the plan has no summary yet; nothing was written");
  std::FILE* file = file_;
  file_ = nullptr;
  const bool flushed = std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
  const int error = errno;
  if (std::fclose(file) != 0 || !flushed) {
    return Fail(Format("cannot write the plan %s: %s; free space on the disk and plan again",
                       {path_.string(), ErrnoText(flushed ? errno : error)}));
  }
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
    return Fail(Format("cannot write the plan %s: %s", {path_.string(), ErrnoText(errno)}));
  }
  temporary_.clear();
  SyncFolder(path_);
  return error_;
}

// ---- PlanReader ----------------------------------------------------------------------------

PlanReader::PlanReader() = default;
PlanReader::~PlanReader() = default;

bool PlanReader::Fail(std::int64_t line, std::string text) {
  if (error_.ok()) {
    error_.line = line;
    error_.text = line > 0 ? Format("line %d: %s", {static_cast<std::int32_t>(line), text}) : std::move(text);
  }
  return false;
}

FileError PlanReader::Open(const std::filesystem::path& path) {
  source_ = path.string();
  auto file = std::make_unique<std::ifstream>(path, std::ios::binary);
  if (!*file) {
    Fail(0, Format("cannot read the plan %s: %s; check the name", {source_, ErrnoText(errno)}));
    return error_;
  }
  in_ = std::move(file);
  return Start();
}

FileError PlanReader::OpenText(std::string text) {
  source_ = "(text)";
  in_ = std::make_unique<std::istringstream>(std::move(text));
  return Start();
}

bool PlanReader::ReadLine(std::string* line) {
  if (!std::getline(*in_, *line)) return false;  // nothing more
  ++line_;
  if (in_->eof()) {
    return Fail(line_, Format("the line is cut short (the plan is truncated); %s", {kRemake}));
  }
  return true;
}

FileError PlanReader::Start() {
  std::string line;
  if (!ReadLine(&line)) {
    if (error_.ok()) Fail(0, Format("the file is empty: not a plan of this program; %s", {kRemake}));
    return error_;
  }
  // Who wrote it is told before whether it is intact.
  std::string covered;
  const LineSeal seal = CheckLineSeal(line, &covered);
  const json::Value probe = json::Parse(seal == LineSeal::kSealed ? covered : line);
  std::string magic;
  if (!json::GetText(probe, "plan", &magic) || magic != kPlanMagic) {
    Fail(0, "not a plan of this program (its first line is no plan header); give the file \"plan\" wrote");
    return error_;
  }
  // A newer version is told as such even if it seals its lines otherwise.
  std::int64_t version = 0;
  const bool hasVersion = json::GetInteger(probe, "version", &version);
  if (hasVersion && (version < kOldestPlanVersion || version > kPlanVersion)) {
    Fail(1, Format("plan version %s is not supported (this program reads versions %d to %d); %s",
                   {std::to_string(version), kOldestPlanVersion, kPlanVersion, kRemake}));
    return error_;
  }
  if (seal == LineSeal::kMismatch) {
    Fail(1, Format("checksum does not match (the line was edited); %s", {kRemake}));
    return error_;
  }
  if (seal == LineSeal::kUnsealed) {
    Fail(1, Format("the line has no checksum (the line was edited); %s", {kRemake}));
    return error_;
  }
  if (!hasVersion) {
    Fail(1, Format("the header's \"version\" is missing or not valid; %s", {kRemake}));
    return error_;
  }
  PlanHeader header;
  const char* bad = nullptr;
  if (!json::GetText(probe, "id", &header.id) || header.id.empty())
    bad = "id";
  else if (!json::GetText(probe, "tree", &header.tree))
    bad = "tree";
  else if (!json::GetText(probe, "container", &header.container))
    bad = "container";
  else if (!json::GetText(probe, "to", &header.to) || header.to.empty())
    bad = "to";
  else if (!json::GetBool(probe, "subtree", &header.subtree))
    bad = "subtree";
  else if (!json::GetText(probe, "created", &header.created))
    bad = "created";
  else {
    const json::Value* from = json::Member(probe, "from");
    if (from == nullptr || !(from->is_null() || from->is_string()))
      bad = "from";
    else if (from->is_string())
      header.from = from->get_ref<const std::string&>();
  }
  if (bad != nullptr) {
    Fail(1, Format("the header's \"%s\" is missing or not valid; %s", {bad, kRemake}));
    return error_;
  }
  header_ = std::move(header);
  version_ = version;
  return error_;
}

bool PlanReader::Finish(const PlanSummary& summary) {
  if (!(summary == counted_)) {
    return Fail(line_, Format("the summary counts %d objects but the plan holds %d, or their verdicts differ "
                              "(lines were removed or added); %s",
                              {static_cast<std::int32_t>(summary.objects), static_cast<std::int32_t>(counted_.objects),
                               kRemake}));
  }
  std::string more;
  if (std::getline(*in_, more)) {
    return Fail(line_ + 1, Format("text follows the summary line (the plan was edited); %s", {kRemake}));
  }
  summary_ = summary;
  finished_ = true;
  return false;
}

bool PlanReader::Next(PlanObject* object) {
  if (!error_.ok() || finished_ || !in_) return false;
  std::string line;
  if (!ReadLine(&line)) {
    if (!error_.ok()) return false;
    return Fail(line_ + 1, Format("the plan ends without its summary line (truncated); %s", {kRemake}));
  }
  std::string covered;
  switch (CheckLineSeal(line, &covered)) {
    case LineSeal::kSealed:
      break;
    case LineSeal::kMismatch:
      return Fail(line_, Format("checksum does not match (the line was edited); %s", {kRemake}));
    case LineSeal::kUnsealed:
      return Fail(line_, Format("the line has no checksum (the line was edited); %s", {kRemake}));
  }
  PlanObject out;
  // The lines the writer wrote are scanned; anything else is read as JSON, which words what is
  // wrong.
  if (!ScanPlanObjectLine(covered, version_ >= 2, &out)) {
    const json::Value o = json::Parse(covered);
    if (!o.is_object()) return Fail(line_, Format("the line is not a JSON object; %s", {kRemake}));
    if (const json::Value* counts = json::Member(o, "summary")) {
      PlanSummary summary;
      if (const char* bad = ReadSummaryCounts(*counts, &summary)) {
        return Fail(line_, Format("the summary's \"%s\" is missing or not a count; %s", {bad, kRemake}));
      }
      return Finish(summary);
    }
    if (const char* bad = ReadPlanObjectMembers(o, version_ >= 2, &out)) {
      return Fail(line_, Format("the object's \"%s\" is missing or not valid; %s", {bad, kRemake}));
    }
  }
  counted_.Count(out.verdict);
  *object = std::move(out);
  return true;
}

}  // namespace recast::engine
