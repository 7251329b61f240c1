#include "directory/ByteView.h"

#include <algorithm>
#include <cstring>

#include "util/Cp1252.h"
#include "util/RawBuffers.h"

namespace recast {

std::uint16_t ByteView::U16(std::size_t offset) const {
  if (!Has(offset, 2)) return 0;
  return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
}

std::uint32_t ByteView::U32(std::size_t offset) const {
  if (!Has(offset, 4)) return 0;
  return static_cast<std::uint32_t>(data_[offset]) | (static_cast<std::uint32_t>(data_[offset + 1]) << 8) |
         (static_cast<std::uint32_t>(data_[offset + 2]) << 16) | (static_cast<std::uint32_t>(data_[offset + 3]) << 24);
}

std::size_t ByteView::TextLength(std::size_t offset) const {
  if (offset >= size_) return 0;
  const void* zero = std::memchr(data_ + offset, 0, size_ - offset);
  return zero != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - (data_ + offset))
                         : size_ - offset;
}

std::string ByteView::Text(std::size_t offset) const {
  return std::string(reinterpret_cast<const char*>(data_) + std::min(offset, size_), TextLength(offset));
}

std::string ByteView::WideText(std::size_t offset) const {
  if (offset >= size_) return {};
  return Utf16LeToUtf8(data_ + offset, size_ - offset);
}

std::string ByteView::Hex(std::size_t offset, std::size_t count) const {
  if (offset >= size_) return {};
  return HexBytes(data_ + offset, std::min(count, size_ - offset));
}

std::string HexBytes(const std::uint8_t* data, std::size_t count) {
  constexpr std::size_t kChunk = 0x8000;
  std::string hex;
  hex.reserve(count * 2);
  for (std::size_t done = 0; done < count; done += kChunk) {
    hex += HexText(data + done, static_cast<std::uint16_t>(std::min(kChunk, count - done)));
  }
  return hex;
}

}  // namespace recast
