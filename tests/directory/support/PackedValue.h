#pragma once
// Value records in the client's packed form, built for tests: the record at the start of the
// block and everything it references after it. References are kept as offsets while the
// value is built and become addresses when the block is written to its final place, so the
// same value can be handed out by a fake client into any caller's block.

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "directory/DirectoryClient.h"

namespace recast::testing {

class PackedValue {
 public:
  // Reserved up front: it also spares GCC 12 a false out-of-bounds warning on growth from empty.
  PackedValue() { bytes_.reserve(64); }

  std::uint32_t size() const { return static_cast<std::uint32_t>(bytes_.size()); }

  // Reserves an aligned, zeroed record of type T; returns its offset.
  template <typename T>
  std::size_t AddRecord(std::size_t bytes = sizeof(T)) {
    Align(alignof(std::max_align_t));
    const std::size_t offset = bytes_.size();
    bytes_.insert(bytes_.end(), bytes, std::uint8_t{0});
    return offset;
  }
  // Appends the text with its terminating zero; returns its offset.
  std::size_t AddText(std::string_view text);
  std::size_t AddBytes(std::span<const std::uint8_t> data);

  // Writes a plain field of the record at recordOffset.
  template <typename T, typename Record>
  void Set(std::size_t recordOffset, T Record::*field, T value) {
    Record probe{};
    const auto fieldOffset =
        reinterpret_cast<const std::uint8_t*>(&(probe.*field)) - reinterpret_cast<const std::uint8_t*>(&probe);
    std::memcpy(bytes_.data() + recordOffset + fieldOffset, &value, sizeof value);
  }
  // Lets the pointer field at byte fieldOffset point at targetOffset in the final block.
  void Point(std::size_t fieldOffset, std::size_t targetOffset) { relocations_.push_back({fieldOffset, targetOffset}); }

  // Copies the block to dest (size() bytes, suitably aligned) and fixes its references.
  void WriteTo(void* dest) const;
  // A freshly allocated block holding the value.
  std::unique_ptr<std::uint8_t[]> Block() const;

  std::vector<std::uint8_t>& raw() { return bytes_; }

 private:
  struct Relocation {
    std::size_t field;
    std::size_t target;
  };
  void Align(std::size_t alignment) {
    while (bytes_.size() % alignment != 0) bytes_.push_back(0);
  }

  std::vector<std::uint8_t> bytes_;
  std::vector<Relocation> relocations_;
};

// Builders, one per syntax form.
PackedValue TextValue(std::string_view text);  // 1-5, 10, 20
PackedValue BoolValue(std::uint8_t flag);
PackedValue Int32Value(std::int32_t value);                // 8, 22
PackedValue UInt32Value(std::uint32_t value);              // 24, 27
PackedValue RawValue(std::span<const std::uint8_t> data);  // 28 and above
PackedValue UnknownRecord(std::string_view attrName, std::uint32_t syntax, std::span<const std::uint8_t> data);
PackedValue CiListRecord(std::initializer_list<std::string_view> texts);
PackedValue OctetRecord(std::span<const std::uint8_t> data);
PackedValue FaxRecord(std::string_view number);
PackedValue NetAddressRecord(std::uint32_t type, std::span<const std::uint8_t> address);
PackedValue OctetListRecord(std::initializer_list<std::vector<std::uint8_t>> elements);
PackedValue EmailRecord(std::uint32_t type, std::string_view address);
PackedValue PathRecord(std::uint32_t nameSpace, std::string_view volume, std::string_view path);
PackedValue ReplicaRecord(std::string_view server, std::uint32_t type, std::uint32_t number);
PackedValue AclRecord(std::string_view protectedAttr, std::string_view subject, std::uint32_t privileges);
PackedValue PostalRecord(std::initializer_list<std::string_view> lines);  // up to six
PackedValue TimestampRecord(std::uint32_t seconds);
PackedValue BackLinkRecord(std::uint32_t remoteId, std::string_view name);
PackedValue TypedNameRecord(std::string_view name, std::uint32_t level, std::uint32_t interval);
PackedValue HoldRecord(std::string_view name, std::uint32_t amount);

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values);
std::vector<std::uint8_t> BytesOf(std::string_view text);  // without a terminating zero
// Little-endian writers for building octet layouts.
void PutU16(std::vector<std::uint8_t>& data, std::size_t offset, std::uint16_t value);
void PutU32(std::vector<std::uint8_t>& data, std::size_t offset, std::uint32_t value);
void PutText(std::vector<std::uint8_t>& data, std::size_t offset, std::string_view text);       // with zero
void PutWideText(std::vector<std::uint8_t>& data, std::size_t offset, std::string_view ascii);  // UTF-16LE, with zero

}  // namespace recast::testing
