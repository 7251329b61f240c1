#pragma once
// Bounds-checked little-endian reads over a value's bytes. Nothing outside [data, data+size)
// is ever touched: numbers outside it read as 0, texts end at the end of the bytes.

#include <cstddef>
#include <cstdint>
#include <string>

namespace recast {

class ByteView {
 public:
  ByteView(const std::uint8_t* data, std::size_t size) : data_(data), size_(data != nullptr ? size : 0) {}

  std::size_t size() const { return size_; }
  const std::uint8_t* data() const { return data_; }
  // True when count bytes from offset lie inside the view.
  bool Has(std::size_t offset, std::size_t count) const { return offset <= size_ && count <= size_ - offset; }

  std::uint8_t Byte(std::size_t offset) const { return Has(offset, 1) ? data_[offset] : 0; }
  std::uint16_t U16(std::size_t offset) const;
  std::uint32_t U32(std::size_t offset) const;
  // Bytes from offset up to the first zero or the end.
  std::string Text(std::size_t offset) const;
  std::size_t TextLength(std::size_t offset) const;
  // UTF-16LE from offset up to a zero character or the end, as UTF-8.
  std::string WideText(std::size_t offset) const;
  // Hex text of count bytes from offset, cut at the end of the view.
  std::string Hex(std::size_t offset, std::size_t count) const;

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

// HexText for any number of bytes.
std::string HexBytes(const std::uint8_t* data, std::size_t count);

}  // namespace recast
