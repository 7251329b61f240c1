#pragma once
// The one encoding of object identifiers: an Asn1Id holds the BER encoding of a dotted
// identifier, tag (06), length and content, as class and attribute definitions deliver it.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "directory/DirectoryClient.h"

namespace recast {

inline constexpr std::uint8_t kObjectIdTag = 0x06;

// The id whose content is content (what the embedded store keeps); an empty id (length 0)
// when there is none or it does not fit.
inline Asn1Id ObjectIdFromContent(std::string_view content) {
  Asn1Id id;
  if (content.empty() || content.size() + 2 > kAsn1IdBytes) return id;
  id.data[0] = kObjectIdTag;
  id.data[1] = static_cast<std::uint8_t>(content.size());
  std::copy(content.begin(), content.end(), id.data + 2);
  id.length = static_cast<std::uint32_t>(content.size() + 2);
  return id;
}

// The content bytes alone; empty for an id that is not an encoding of this kind (no
// identifier).
inline std::string ObjectIdContent(const Asn1Id& id) {
  if (id.length < 2 || id.length > kAsn1IdBytes || id.data[0] != kObjectIdTag || id.data[1] != id.length - 2) return {};
  return std::string(reinterpret_cast<const char*>(id.data) + 2, id.length - 2);
}

// The encoding of dotted ("2.5.4.3": digits and single dots, at least two arcs, the first 0
// to 2, the second below 40 under 0 and 1, every arc below 2^32). nullopt for any other text
// and for an encoding longer than kAsn1IdBytes.
inline std::optional<Asn1Id> ObjectIdFromText(std::string_view dotted) {
  std::vector<std::uint32_t> arcs;
  std::uint64_t current = 0;
  bool digits = false;
  for (char c : dotted) {
    if (c >= '0' && c <= '9') {
      current = current * 10 + static_cast<std::uint32_t>(c - '0');
      if (current > 0xFFFFFFFFu) return std::nullopt;
      digits = true;
    } else if (c == '.' && digits) {
      arcs.push_back(static_cast<std::uint32_t>(current));
      current = 0;
      digits = false;
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  arcs.push_back(static_cast<std::uint32_t>(current));
  if (arcs.size() < 2 || arcs[0] > 2 || (arcs[0] < 2 && arcs[1] >= 40)) return std::nullopt;
  std::string content;
  auto put = [&content](std::uint64_t arc) {
    char groups[10];
    int n = 0;
    do {
      groups[n++] = static_cast<char>(arc & 0x7F);
      arc >>= 7;
    } while (arc != 0);
    while (n > 0) {
      --n;
      content.push_back(static_cast<char>(groups[n] | (n > 0 ? 0x80 : 0)));
    }
  };
  put(static_cast<std::uint64_t>(arcs[0]) * 40 + arcs[1]);
  for (std::size_t i = 2; i < arcs.size(); ++i) put(arcs[i]);
  const Asn1Id id = ObjectIdFromContent(content);
  if (id.length == 0) return std::nullopt;
  return id;
}

}  // namespace recast
