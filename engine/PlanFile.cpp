#include "engine/PlanFile.h"

namespace recast::engine {

bool PlanSummary::Count(Verdict) { return false; }
std::string NewPlanId() { return {}; }
std::optional<Verdict> PlanVerdictFromName(std::string_view) { return std::nullopt; }

PlanWriter::PlanWriter() = default;
PlanWriter::~PlanWriter() = default;
FileError PlanWriter::Open(const std::filesystem::path&) { return Fail("not yet available"); }
FileError PlanWriter::WriteHeader(const PlanHeader&) { return error_; }
FileError PlanWriter::WriteObject(const PlanObject&) { return error_; }
FileError PlanWriter::WriteSummary() { return error_; }
FileError PlanWriter::Close() { return error_; }
FileError PlanWriter::WriteLine(const std::string&) { return error_; }
FileError PlanWriter::Fail(std::string text) {
  error_.text = std::move(text);
  return error_;
}

PlanReader::PlanReader() = default;
PlanReader::~PlanReader() = default;
FileError PlanReader::Open(const std::filesystem::path&) { return {0, "not yet available"}; }
FileError PlanReader::OpenText(std::string) { return {0, "not yet available"}; }
bool PlanReader::Next(PlanObject*) { return false; }

}  // namespace recast::engine
