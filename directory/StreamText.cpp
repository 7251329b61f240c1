#include "directory/StreamText.h"

namespace recast {

DirStatus ReadStreamText(DirectorySession&, DirContext, std::string_view, std::string_view, std::string*) {
  return kErrNotSupported;
}
std::string FormatStreamText(std::span<const std::uint8_t>, std::string_view) { return {}; }

}  // namespace recast
