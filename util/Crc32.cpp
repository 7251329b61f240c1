#include "util/Crc32.h"

#include <zlib.h>

#include <algorithm>

namespace recast {

std::uint32_t Crc32(std::string_view data) {
  // zlib's CRC-32 is the same polynomial, many times faster than a byte table.
  uLong crc = crc32(0L, Z_NULL, 0);
  while (!data.empty()) {
    const auto chunk = static_cast<uInt>(std::min<std::size_t>(data.size(), 1u << 30));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data()), chunk);
    data.remove_prefix(chunk);
  }
  return static_cast<std::uint32_t>(crc);
}

}  // namespace recast
