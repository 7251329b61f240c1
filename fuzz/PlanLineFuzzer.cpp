// Reads arbitrary text as a plan's object line both ways: whatever the scan takes, the JSON
// reading takes too and reads the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/PlanLine.h"

namespace {

bool Same(const recast::engine::PlanObject& a, const recast::engine::PlanObject& b) {
  if (a.object != b.object || a.objectClass != b.objectClass || a.target != b.target || a.verdict != b.verdict ||
      a.stamp != b.stamp || a.conflicts.size() != b.conflicts.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.conflicts.size(); ++i) {
    const auto& x = a.conflicts[i];
    const auto& y = b.conflicts[i];
    if (x.attribute != y.attribute || x.mark != y.mark || x.value != y.value) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the plan version; the rest is the line.
  const bool withUnvalued = (data[0] & 1) != 0;
  const std::string_view line(reinterpret_cast<const char*>(data + 1), size - 1);
  recast::engine::PlanObject scanned;
  if (!recast::engine::ScanPlanObjectLine(line, withUnvalued, &scanned)) return 0;
  recast::engine::PlanObject read;
  if (recast::engine::ReadPlanObjectMembers(recast::engine::json::Parse(line), withUnvalued, &read) != nullptr ||
      !Same(scanned, read)) {
    std::abort();
  }
  return 0;
}
