#pragma once
// Little-endian numbers and counted texts in a fixed-capacity byte area, with every read and
// write bounds-checked: a writer refuses what does not fit, a reader refuses what runs past
// the end. Both work on memory they do not own.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace recast::client {

class ByteWriter {
 public:
  ByteWriter(std::uint8_t* data, std::size_t capacity, std::size_t used = 0)
      : data_(data), capacity_(capacity), used_(used) {}

  std::size_t used() const { return used_; }
  std::size_t room() const { return capacity_ - used_; }
  // Drops everything written after mark (a record that did not fit completely).
  void Rewind(std::size_t mark) { used_ = mark; }

  // Each Put writes all of it or nothing; false when it does not fit.
  bool PutU8(std::uint8_t v) { return PutBytes(&v, 1); }
  bool PutU16(std::uint16_t v) {
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
    return PutBytes(b, 2);
  }
  bool PutU32(std::uint32_t v) {
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                               static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    return PutBytes(b, 4);
  }
  bool PutBytes(const void* bytes, std::size_t n) {
    if (n > room()) return false;
    if (n > 0) std::memcpy(data_ + used_, bytes, n);
    used_ += n;
    return true;
  }
  // length:u16 byte{length}; texts longer than 65535 bytes are refused.
  bool PutText(std::string_view text) {
    if (text.size() > 0xFFFF || 2 + text.size() > room()) return false;
    PutU16(static_cast<std::uint16_t>(text.size()));
    return PutBytes(text.data(), text.size());
  }
  // length:u32 byte{length}.
  bool PutBlob(std::string_view bytes) {
    if (bytes.size() > 0xFFFFFFFFu || 4 + bytes.size() > room()) return false;
    PutU32(static_cast<std::uint32_t>(bytes.size()));
    return PutBytes(bytes.data(), bytes.size());
  }
  void PatchU32(std::size_t at, std::uint32_t v) {
    data_[at] = static_cast<std::uint8_t>(v);
    data_[at + 1] = static_cast<std::uint8_t>(v >> 8);
    data_[at + 2] = static_cast<std::uint8_t>(v >> 16);
    data_[at + 3] = static_cast<std::uint8_t>(v >> 24);
  }

 private:
  std::uint8_t* data_;
  std::size_t capacity_;
  std::size_t used_;
};

class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size, std::size_t offset = 0)
      : data_(data), size_(size), offset_(offset) {}

  std::size_t offset() const { return offset_; }
  std::size_t remaining() const { return size_ - offset_; }
  bool AtEnd() const { return offset_ == size_; }

  // Each Get leaves the reader unchanged when it fails.
  bool GetU8(std::uint8_t* v) {
    if (remaining() < 1) return false;
    *v = data_[offset_++];
    return true;
  }
  bool GetU16(std::uint16_t* v) {
    if (remaining() < 2) return false;
    *v = static_cast<std::uint16_t>(data_[offset_] | (data_[offset_ + 1] << 8));
    offset_ += 2;
    return true;
  }
  bool GetU32(std::uint32_t* v) {
    if (remaining() < 4) return false;
    *v = static_cast<std::uint32_t>(data_[offset_]) | (static_cast<std::uint32_t>(data_[offset_ + 1]) << 8) |
         (static_cast<std::uint32_t>(data_[offset_ + 2]) << 16) |
         (static_cast<std::uint32_t>(data_[offset_ + 3]) << 24);
    offset_ += 4;
    return true;
  }
  bool GetBytes(void* out, std::size_t n) {
    if (remaining() < n) return false;
    if (n > 0) std::memcpy(out, data_ + offset_, n);
    offset_ += n;
    return true;
  }
  // A view into the data of a length:u16 text; fails (reader unchanged) when it runs past the end.
  bool GetText(std::string_view* text) {
    std::size_t at = offset_;
    std::uint16_t n = 0;
    if (!GetU16(&n)) return false;
    if (remaining() < n) {
      offset_ = at;
      return false;
    }
    *text = std::string_view(reinterpret_cast<const char*>(data_ + offset_), n);
    offset_ += n;
    return true;
  }
  bool GetBlob(std::string_view* bytes) {
    std::size_t at = offset_;
    std::uint32_t n = 0;
    if (!GetU32(&n)) return false;
    if (remaining() < n) {
      offset_ = at;
      return false;
    }
    *bytes = std::string_view(reinterpret_cast<const char*>(data_ + offset_), n);
    offset_ += n;
    return true;
  }
  void Seek(std::size_t offset) { offset_ = offset; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t offset_;
};

}  // namespace recast::client
