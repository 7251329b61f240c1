#include "directory/DirTime.h"

namespace recast {

std::string FormatDirTime(std::uint32_t, bool) { return {}; }
std::int32_t LocalTimeBias() { return 0; }

}  // namespace recast
