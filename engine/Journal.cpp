#include "engine/Journal.h"

namespace recast::engine {

std::filesystem::path JournalFolder(const std::filesystem::path& dataFolder) { return dataFolder / "journals"; }
const char* JournalExtension(JournalForm form) { return form == JournalForm::kLdif ? ".ldif" : ".jsonl"; }
std::filesystem::path PlanJournalPath(const std::filesystem::path& dataFolder, std::string_view, std::string_view,
                                      JournalForm) {
  return JournalFolder(dataFolder);
}
std::filesystem::path WindowJournalPath(const std::filesystem::path& dataFolder, std::string_view, JournalForm,
                                        std::time_t) {
  return JournalFolder(dataFolder);
}
FileError ReadJournal(const std::filesystem::path&, JournalContent*) { return {0, "not yet available"}; }
FileError ReadJournalText(std::string_view, std::string_view, JournalContent*) { return {0, "not yet available"}; }

JournalWriter::JournalWriter() = default;
JournalWriter::~JournalWriter() = default;
FileError JournalWriter::OpenNew(const std::filesystem::path&, JournalForm, const JournalHeader&) {
  return Fail("not yet available");
}
FileError JournalWriter::OpenExisting(const std::filesystem::path&) { return Fail("not yet available"); }
FileError JournalWriter::Open(const std::filesystem::path&, JournalForm, const JournalHeader&) {
  return Fail("not yet available");
}
FileError JournalWriter::Append(JournalRecord&) { return error_; }
FileError JournalWriter::AppendBatch(std::vector<JournalRecord>&) { return error_; }
FileError JournalWriter::MarkDone(std::int64_t) { return error_; }
FileError JournalWriter::MarkFailed(std::int64_t, DirStatus) { return error_; }
FileError JournalWriter::MarkUndone(std::int64_t) { return error_; }
FileError JournalWriter::Sync() { return error_; }
FileError JournalWriter::Close() { return error_; }
bool JournalWriter::isOpen() const { return fd_ >= 0; }
FileError JournalWriter::Fail(std::string text) {
  error_.text = std::move(text);
  return error_;
}

}  // namespace recast::engine
