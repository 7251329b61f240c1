#include "directory/OctetFormatting.h"

namespace recast {

std::string FormatOctetValue(std::uint32_t, const std::uint8_t*, std::string_view) { return {}; }
std::string FormatNetAddress(std::uint32_t, const std::uint8_t*, std::uint32_t) { return {}; }
std::string FormatRights(std::uint32_t, RightsKind) { return {}; }

}  // namespace recast
