#include "directory/AttributeValues.h"

namespace recast {

DirStatus ReadAttributeValues(DirectorySession&, DirContext, std::string_view, std::string_view, TaggedList&) {
  return kErrNotSupported;
}
DirStatus GetAttributeValueText(DirectorySession&, DirContext, std::string_view, std::string_view, std::string* text) {
  text->clear();
  return kErrNotSupported;
}
void FormatAttributeValue(const void*, std::uint32_t, std::uint32_t, std::string_view, TaggedList&) {}

}  // namespace recast
