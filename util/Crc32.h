#pragma once
// CRC-32 (the IEEE polynomial, as zlib's crc32 and PNG use it), for checksums of file lines.

#include <cstdint>
#include <string_view>

namespace recast {

// The CRC-32 of data; Crc32("123456789") is 0xCBF43926.
std::uint32_t Crc32(std::string_view data);

}  // namespace recast
