#include "util/TaggedList.h"

#include "util/TextHelpers.h"

namespace recast {

int TaggedList::IndexOf(std::string_view text) const {
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    if (TextEquals(Text(i), text)) return i;
  }
  return -1;
}

std::vector<std::string> VectorTaggedList::Texts() const {
  std::vector<std::string> out;
  out.reserve(entries_.size());
  for (const auto& e : entries_) out.push_back(e.text);
  return out;
}

}  // namespace recast
