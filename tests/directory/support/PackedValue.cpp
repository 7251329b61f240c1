#include "tests/directory/support/PackedValue.h"

#include <cstddef>

namespace recast::testing {

std::size_t PackedValue::AddText(std::string_view text) {
  const std::size_t offset = bytes_.size();
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  bytes_.push_back(0);
  return offset;
}

std::size_t PackedValue::AddBytes(std::span<const std::uint8_t> data) {
  const std::size_t offset = bytes_.size();
  bytes_.insert(bytes_.end(), data.begin(), data.end());
  return offset;
}

void PackedValue::WriteTo(void* dest) const {
  auto* out = static_cast<std::uint8_t*>(dest);
  if (!bytes_.empty()) std::memcpy(out, bytes_.data(), bytes_.size());
  for (const Relocation& r : relocations_) {
    const std::uint8_t* address = out + r.target;
    std::memcpy(out + r.field, &address, sizeof address);
  }
}

std::unique_ptr<std::uint8_t[]> PackedValue::Block() const {
  auto block = std::make_unique<std::uint8_t[]>(bytes_.empty() ? 1 : bytes_.size());
  WriteTo(block.get());
  return block;
}

namespace {

template <typename T>
PackedValue Plain(T value) {
  PackedValue v;
  v.AddRecord<T>();
  std::memcpy(v.raw().data(), &value, sizeof value);
  return v;
}

// The record's pointer field at memberOffset points at a new text.
void PointText(PackedValue& v, std::size_t record, std::size_t memberOffset, std::string_view text) {
  v.Point(record + memberOffset, v.AddText(text));
}

}  // namespace

PackedValue TextValue(std::string_view text) {
  PackedValue v;
  v.AddText(text);
  return v;
}
PackedValue BoolValue(std::uint8_t flag) { return Plain(flag); }
PackedValue Int32Value(std::int32_t value) { return Plain(value); }
PackedValue UInt32Value(std::uint32_t value) { return Plain(value); }

PackedValue RawValue(std::span<const std::uint8_t> data) {
  PackedValue v;
  v.AddBytes(data);
  return v;
}

PackedValue UnknownRecord(std::string_view attrName, std::uint32_t syntax, std::span<const std::uint8_t> data) {
  PackedValue v;
  const std::size_t header = offsetof(UnknownValue, data);
  const std::size_t r = v.AddRecord<UnknownValue>(header);
  v.AddBytes(data);
  v.Set(r, &UnknownValue::syntaxId, syntax);
  v.Set(r, &UnknownValue::length, static_cast<std::uint32_t>(data.size()));
  PointText(v, r, offsetof(UnknownValue, attrName), attrName);
  return v;
}

PackedValue CiListRecord(std::initializer_list<std::string_view> texts) {
  PackedValue v;
  std::vector<std::size_t> records;
  for (std::size_t i = 0; i < texts.size(); ++i) records.push_back(v.AddRecord<CiListValue>());
  std::size_t i = 0;
  for (std::string_view text : texts) {
    if (i + 1 < records.size()) v.Point(records[i] + offsetof(CiListValue, next), records[i + 1]);
    PointText(v, records[i], offsetof(CiListValue, text), text);
    ++i;
  }
  return v;
}

PackedValue OctetRecord(std::span<const std::uint8_t> data) {
  PackedValue v;
  const std::size_t r = v.AddRecord<OctetStringValue>();
  v.Set(r, &OctetStringValue::length, static_cast<std::uint32_t>(data.size()));
  v.Point(r + offsetof(OctetStringValue, data), v.AddBytes(data));
  return v;
}

PackedValue FaxRecord(std::string_view number) {
  PackedValue v;
  const std::size_t r = v.AddRecord<FaxNumberValue>();
  PointText(v, r, offsetof(FaxNumberValue, telephoneNumber), number);
  return v;
}

PackedValue NetAddressRecord(std::uint32_t type, std::span<const std::uint8_t> address) {
  PackedValue v;
  const std::size_t r = v.AddRecord<NetAddressValue>();
  v.Set(r, &NetAddressValue::addressType, type);
  v.Set(r, &NetAddressValue::length, static_cast<std::uint32_t>(address.size()));
  v.Point(r + offsetof(NetAddressValue, address), v.AddBytes(address));
  return v;
}

PackedValue OctetListRecord(std::initializer_list<std::vector<std::uint8_t>> elements) {
  PackedValue v;
  std::vector<std::size_t> records;
  for (std::size_t i = 0; i < elements.size(); ++i) records.push_back(v.AddRecord<OctetListValue>());
  std::size_t i = 0;
  for (const auto& element : elements) {
    if (i + 1 < records.size()) v.Point(records[i] + offsetof(OctetListValue, next), records[i + 1]);
    v.Set(records[i], &OctetListValue::length, static_cast<std::uint32_t>(element.size()));
    v.Point(records[i] + offsetof(OctetListValue, data), v.AddBytes(element));
    ++i;
  }
  return v;
}

PackedValue EmailRecord(std::uint32_t type, std::string_view address) {
  PackedValue v;
  const std::size_t r = v.AddRecord<EmailAddressValue>();
  v.Set(r, &EmailAddressValue::addressType, type);
  PointText(v, r, offsetof(EmailAddressValue, address), address);
  return v;
}

PackedValue PathRecord(std::uint32_t nameSpace, std::string_view volume, std::string_view path) {
  PackedValue v;
  const std::size_t r = v.AddRecord<PathValue>();
  v.Set(r, &PathValue::nameSpaceType, nameSpace);
  PointText(v, r, offsetof(PathValue, volumeName), volume);
  PointText(v, r, offsetof(PathValue, path), path);
  return v;
}

PackedValue ReplicaRecord(std::string_view server, std::uint32_t type, std::uint32_t number) {
  PackedValue v;
  const std::size_t r = v.AddRecord<ReplicaPointerValue>();
  v.Set(r, &ReplicaPointerValue::replicaType, type);
  v.Set(r, &ReplicaPointerValue::replicaNumber, number);
  PointText(v, r, offsetof(ReplicaPointerValue, serverName), server);
  return v;
}

PackedValue AclRecord(std::string_view protectedAttr, std::string_view subject, std::uint32_t privileges) {
  PackedValue v;
  const std::size_t r = v.AddRecord<ObjectAclValue>();
  v.Set(r, &ObjectAclValue::privileges, privileges);
  PointText(v, r, offsetof(ObjectAclValue, protectedAttrName), protectedAttr);
  PointText(v, r, offsetof(ObjectAclValue, subjectName), subject);
  return v;
}

PackedValue PostalRecord(std::initializer_list<std::string_view> lines) {
  PackedValue v;
  const std::size_t r = v.AddRecord<PostalAddressValue>();
  std::size_t i = 0;
  for (std::string_view line : lines) {
    PointText(v, r, offsetof(PostalAddressValue, lines) + i * sizeof(const char*), line);
    ++i;
  }
  return v;
}

PackedValue TimestampRecord(std::uint32_t seconds) {
  PackedValue v;
  const std::size_t r = v.AddRecord<TimestampValue>();
  v.Set(r, &TimestampValue::wholeSeconds, seconds);
  return v;
}

PackedValue BackLinkRecord(std::uint32_t remoteId, std::string_view name) {
  PackedValue v;
  const std::size_t r = v.AddRecord<BackLinkValue>();
  v.Set(r, &BackLinkValue::remoteId, remoteId);
  PointText(v, r, offsetof(BackLinkValue, objectName), name);
  return v;
}

PackedValue TypedNameRecord(std::string_view name, std::uint32_t level, std::uint32_t interval) {
  PackedValue v;
  const std::size_t r = v.AddRecord<TypedNameValue>();
  v.Set(r, &TypedNameValue::level, level);
  v.Set(r, &TypedNameValue::interval, interval);
  PointText(v, r, offsetof(TypedNameValue, objectName), name);
  return v;
}

PackedValue HoldRecord(std::string_view name, std::uint32_t amount) {
  PackedValue v;
  const std::size_t r = v.AddRecord<HoldValue>();
  v.Set(r, &HoldValue::amount, amount);
  PointText(v, r, offsetof(HoldValue, objectName), name);
  return v;
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int value : values) out.push_back(static_cast<std::uint8_t>(value));
  return out;
}

std::vector<std::uint8_t> BytesOf(std::string_view text) { return {text.begin(), text.end()}; }

namespace {
void Ensure(std::vector<std::uint8_t>& data, std::size_t end) {
  if (data.size() < end) data.resize(end, 0);
}
}  // namespace

void PutU16(std::vector<std::uint8_t>& data, std::size_t offset, std::uint16_t value) {
  Ensure(data, offset + 2);
  data[offset] = static_cast<std::uint8_t>(value);
  data[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::vector<std::uint8_t>& data, std::size_t offset, std::uint32_t value) {
  Ensure(data, offset + 4);
  for (int i = 0; i < 4; ++i) data[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutText(std::vector<std::uint8_t>& data, std::size_t offset, std::string_view text) {
  Ensure(data, offset + text.size() + 1);
  std::memcpy(data.data() + offset, text.data(), text.size());
  data[offset + text.size()] = 0;
}

void PutWideText(std::vector<std::uint8_t>& data, std::size_t offset, std::string_view ascii) {
  Ensure(data, offset + 2 * ascii.size() + 2);
  for (std::size_t i = 0; i < ascii.size(); ++i) {
    data[offset + 2 * i] = static_cast<std::uint8_t>(ascii[i]);
    data[offset + 2 * i + 1] = 0;
  }
  data[offset + 2 * ascii.size()] = 0;
  data[offset + 2 * ascii.size() + 1] = 0;
}

}  // namespace recast::testing
