#include "platform/client/ValueRecords.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace recast::client {
namespace {

namespace v = service::value;

constexpr std::size_t kMaxChain = 65536;

// Lays out a block twice with the same code: once without memory to measure it, once to fill it.
class BlockLayout {
 public:
  explicit BlockLayout(std::uint8_t* base) : base_(base) {}

  std::size_t used() const { return used_; }

  std::uint8_t* Reserve(std::size_t size, std::size_t align) {
    used_ = (used_ + align - 1) / align * align;
    std::uint8_t* at = base_ != nullptr ? base_ + used_ : nullptr;
    used_ += size;
    return at;
  }
  const char* Text(std::string_view text) {
    std::uint8_t* at = Reserve(text.size() + 1, 1);
    if (at != nullptr) {
      if (!text.empty()) std::memcpy(at, text.data(), text.size());
      at[text.size()] = 0;
    }
    return reinterpret_cast<const char*>(at);
  }
  const std::uint8_t* Bytes(const std::vector<std::uint8_t>& bytes) {
    std::uint8_t* at = Reserve(bytes.size(), 1);
    if (at != nullptr && !bytes.empty()) std::memcpy(at, bytes.data(), bytes.size());
    return at;
  }
  template <class T>
  static void Store(std::uint8_t* at, const T& record) {
    if (at != nullptr) std::memcpy(at, &record, sizeof record);
  }
  template <class T>
  std::uint8_t* Record() {
    return Reserve(sizeof(T), alignof(T));
  }

 private:
  std::uint8_t* base_;
  std::size_t used_ = 0;
};

NetAddressValue LayNetAddress(BlockLayout& block, const v::NetAddress& address) {
  NetAddressValue record{address.type, static_cast<std::uint32_t>(address.address.size()), nullptr};
  record.address = block.Bytes(address.address);
  return record;
}

// Lays out one value by its form; the syntax has been checked to use that form.
struct Layer {
  BlockLayout& block;
  std::string_view attrName;

  void operator()(const v::Text& text) const { block.Text(text.text); }
  void operator()(const v::Unknown& unknown) const {
    const std::size_t dataAt = offsetof(UnknownValue, data);
    std::uint8_t* at =
        block.Reserve(std::max(sizeof(UnknownValue), dataAt + unknown.data.size()), alignof(UnknownValue));
    if (at != nullptr && !unknown.data.empty()) std::memcpy(at + dataAt, unknown.data.data(), unknown.data.size());
    const char* name = block.Text(unknown.attrName.empty() ? attrName : std::string_view(unknown.attrName));
    if (at != nullptr) {
      UnknownValue header{};
      header.attrName = name;
      header.syntaxId = unknown.syntax;
      header.length = static_cast<std::uint32_t>(unknown.data.size());
      std::memcpy(at, &header, dataAt);
    }
  }
  void operator()(const v::CiList& list) const {
    std::uint8_t* first = block.Reserve(sizeof(CiListValue) * list.items.size(), alignof(CiListValue));
    for (std::size_t i = 0; i < list.items.size(); ++i) {
      CiListValue element{};
      element.text = block.Text(list.items[i]);
      if (first != nullptr) {
        auto* elements = reinterpret_cast<CiListValue*>(first);
        element.next = i + 1 < list.items.size() ? &elements[i + 1] : nullptr;
        BlockLayout::Store(first + i * sizeof(CiListValue), element);
      }
    }
    if (list.items.empty()) {
      // An empty list is one element with an empty text, so the block is never empty.
      std::uint8_t* at = block.Record<CiListValue>();
      CiListValue element{nullptr, block.Text("")};
      BlockLayout::Store(at, element);
    }
  }
  void operator()(const v::Boolean& flag) const {
    BlockLayout::Store(block.Reserve(1, 1), static_cast<std::uint8_t>(flag.value ? 1 : 0));
  }
  void operator()(const v::Integer& number) const { BlockLayout::Store(block.Record<std::int32_t>(), number.value); }
  void operator()(const v::Seconds& seconds) const {
    BlockLayout::Store(block.Record<std::uint32_t>(), seconds.seconds);
  }
  void operator()(const v::Octets& octets) const {
    std::uint8_t* at = block.Record<OctetStringValue>();
    OctetStringValue record{static_cast<std::uint32_t>(octets.bytes.size()), block.Bytes(octets.bytes)};
    BlockLayout::Store(at, record);
  }
  void operator()(const v::Fax& fax) const {
    std::uint8_t* at = block.Record<FaxNumberValue>();
    FaxNumberValue record{block.Text(fax.number), fax.parameterBits, block.Bytes(fax.parameters)};
    BlockLayout::Store(at, record);
  }
  void operator()(const v::NetAddress& address) const {
    std::uint8_t* at = block.Record<NetAddressValue>();
    BlockLayout::Store(at, LayNetAddress(block, address));
  }
  void operator()(const v::OctetList& list) const {
    const std::size_t n = std::max<std::size_t>(1, list.items.size());
    std::uint8_t* first = block.Reserve(sizeof(OctetListValue) * n, alignof(OctetListValue));
    for (std::size_t i = 0; i < n; ++i) {
      static const std::vector<std::uint8_t> kNone;
      const auto& bytes = list.items.empty() ? kNone : list.items[i];
      OctetListValue element{nullptr, static_cast<std::uint32_t>(bytes.size()), block.Bytes(bytes)};
      if (first != nullptr) {
        auto* elements = reinterpret_cast<OctetListValue*>(first);
        element.next = i + 1 < n ? &elements[i + 1] : nullptr;
        BlockLayout::Store(first + i * sizeof(OctetListValue), element);
      }
    }
  }
  void operator()(const v::Email& email) const {
    std::uint8_t* at = block.Record<EmailAddressValue>();
    EmailAddressValue record{email.type, block.Text(email.address)};
    BlockLayout::Store(at, record);
  }
  void operator()(const v::Path& path) const {
    std::uint8_t* at = block.Record<PathValue>();
    PathValue record{path.nameSpace, nullptr, nullptr};
    record.volumeName = block.Text(path.volume);
    record.path = block.Text(path.path);
    BlockLayout::Store(at, record);
  }
  void operator()(const v::ReplicaPointer& replica) const {
    std::uint8_t* at = block.Record<ReplicaPointerValue>();
    ReplicaPointerValue record{};
    record.serverName = block.Text(replica.server);
    record.replicaType = replica.replicaType;
    record.replicaNumber = replica.replicaNumber;
    record.addressCount = static_cast<std::uint32_t>(replica.addresses.size());
    std::uint8_t* addresses =
        block.Reserve(sizeof(NetAddressValue) * replica.addresses.size(), alignof(NetAddressValue));
    record.addresses = reinterpret_cast<const NetAddressValue*>(addresses);
    for (std::size_t i = 0; i < replica.addresses.size(); ++i) {
      NetAddressValue address = LayNetAddress(block, replica.addresses[i]);
      if (addresses != nullptr) BlockLayout::Store(addresses + i * sizeof(NetAddressValue), address);
    }
    BlockLayout::Store(at, record);
  }
  void operator()(const v::Acl& acl) const {
    std::uint8_t* at = block.Record<ObjectAclValue>();
    ObjectAclValue record{};
    record.protectedAttrName = block.Text(acl.protectedAttr);
    record.subjectName = block.Text(acl.subject);
    record.privileges = acl.privileges;
    BlockLayout::Store(at, record);
  }
  void operator()(const v::PostalAddress& postal) const {
    std::uint8_t* at = block.Record<PostalAddressValue>();
    PostalAddressValue record{};
    for (std::size_t i = 0; i < 6; ++i) record.lines[i] = block.Text(postal.lines[i]);
    BlockLayout::Store(at, record);
  }
  void operator()(const v::Timestamp& stamp) const {
    BlockLayout::Store(block.Record<TimestampValue>(),
                       TimestampValue{stamp.seconds, stamp.replicaNumber, stamp.eventId});
  }
  void operator()(const v::BackLink& link) const {
    std::uint8_t* at = block.Record<BackLinkValue>();
    BackLinkValue record{link.remoteId, block.Text(link.objectName)};
    BlockLayout::Store(at, record);
  }
  void operator()(const v::TypedName& typed) const {
    std::uint8_t* at = block.Record<TypedNameValue>();
    TypedNameValue record{block.Text(typed.objectName), typed.level, typed.interval};
    BlockLayout::Store(at, record);
  }
  void operator()(const v::Hold& hold) const {
    std::uint8_t* at = block.Record<HoldValue>();
    HoldValue record{block.Text(hold.objectName), hold.amount};
    BlockLayout::Store(at, record);
  }
};

// Lays value out into block; false when its form does not belong to the syntax.
bool Lay(std::uint32_t syntax, const service::DirValue& value, std::string_view attrName, BlockLayout& block) {
  if (IsRawSyntax(syntax)) {
    if (const auto* octets = std::get_if<v::Octets>(&value)) {
      block.Bytes(octets->bytes);
      return true;
    }
    if (const auto* unknown = std::get_if<v::Unknown>(&value)) {
      block.Bytes(unknown->data);
      return true;
    }
    return false;
  }
  if (value.index() != FormIndex(FormOf(syntax))) return false;
  std::visit(Layer{block, attrName}, value);
  return true;
}

template <class T>
T Load(const void* at) {
  T record;
  std::memcpy(&record, at, sizeof record);
  return record;
}

std::string TextOf(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

std::vector<std::uint8_t> BytesOf(const std::uint8_t* data, std::uint32_t length) {
  if (data == nullptr || length == 0) return {};
  return std::vector<std::uint8_t>(data, data + length);
}

v::NetAddress NetAddressOf(const NetAddressValue& record) {
  return v::NetAddress{record.addressType, BytesOf(record.address, record.length)};
}

}  // namespace

DirStatus PackedValueSize(std::uint32_t syntax, const service::DirValue& value, std::string_view attrName,
                          std::size_t* size) {
  BlockLayout block(nullptr);
  if (!Lay(syntax, value, attrName, block)) return kErrBadSyntax;
  *size = block.used();
  return 0;
}

DirStatus PackValue(std::uint32_t syntax, const service::DirValue& value, std::string_view attrName, void* block) {
  BlockLayout measure(nullptr);
  if (!Lay(syntax, value, attrName, measure)) return kErrBadSyntax;
  if (measure.used() == 0) return 0;
  if (block == nullptr) return kErrBadArgument;
  BlockLayout layout(static_cast<std::uint8_t*>(block));
  Lay(syntax, value, attrName, layout);
  return 0;
}

DirStatus UnpackRecord(std::uint32_t syntax, const void* record, service::DirValue* value) {
  if (record == nullptr) return kErrBadArgument;
  // A raw syntax's bytes do not tell their own length.
  if (IsRawSyntax(syntax)) return kErrBadSyntax;
  switch (FormOf(syntax)) {
    case ValueForm::kText:
      *value = v::Text{static_cast<const char*>(record)};
      return 0;
    case ValueForm::kUnknown: {
      const auto header = Load<UnknownValue>(record);
      const auto* data = static_cast<const std::uint8_t*>(record) + offsetof(UnknownValue, data);
      *value = v::Unknown{TextOf(header.attrName), header.syntaxId, BytesOf(data, header.length)};
      return 0;
    }
    case ValueForm::kCiList: {
      v::CiList list;
      for (const CiListValue* at = static_cast<const CiListValue*>(record); at != nullptr;) {
        if (list.items.size() >= kMaxChain) return kErrBadSyntax;
        const auto element = Load<CiListValue>(at);
        list.items.push_back(TextOf(element.text));
        at = element.next;
      }
      *value = std::move(list);
      return 0;
    }
    case ValueForm::kBoolean:
      *value = v::Boolean{*static_cast<const std::uint8_t*>(record) != 0};
      return 0;
    case ValueForm::kInteger:
      *value = v::Integer{Load<std::int32_t>(record)};
      return 0;
    case ValueForm::kSeconds:
      *value = v::Seconds{Load<std::uint32_t>(record)};
      return 0;
    case ValueForm::kOctets: {
      const auto octets = Load<OctetStringValue>(record);
      *value = v::Octets{BytesOf(octets.data, octets.length)};
      return 0;
    }
    case ValueForm::kFax: {
      const auto fax = Load<FaxNumberValue>(record);
      *value =
          v::Fax{TextOf(fax.telephoneNumber), fax.parameterBits, BytesOf(fax.parameters, (fax.parameterBits + 7) / 8)};
      return 0;
    }
    case ValueForm::kNetAddress:
      *value = NetAddressOf(Load<NetAddressValue>(record));
      return 0;
    case ValueForm::kOctetList: {
      v::OctetList list;
      for (const OctetListValue* at = static_cast<const OctetListValue*>(record); at != nullptr;) {
        if (list.items.size() >= kMaxChain) return kErrBadSyntax;
        const auto element = Load<OctetListValue>(at);
        list.items.push_back(BytesOf(element.data, element.length));
        at = element.next;
      }
      *value = std::move(list);
      return 0;
    }
    case ValueForm::kEmail: {
      const auto email = Load<EmailAddressValue>(record);
      *value = v::Email{email.addressType, TextOf(email.address)};
      return 0;
    }
    case ValueForm::kPath: {
      const auto path = Load<PathValue>(record);
      *value = v::Path{path.nameSpaceType, TextOf(path.volumeName), TextOf(path.path)};
      return 0;
    }
    case ValueForm::kReplicaPointer: {
      const auto replica = Load<ReplicaPointerValue>(record);
      if (replica.addressCount > kMaxChain || (replica.addressCount > 0 && replica.addresses == nullptr)) {
        return kErrBadSyntax;
      }
      v::ReplicaPointer result{TextOf(replica.serverName), replica.replicaType, replica.replicaNumber, {}};
      for (std::uint32_t i = 0; i < replica.addressCount; ++i) {
        result.addresses.push_back(NetAddressOf(Load<NetAddressValue>(replica.addresses + i)));
      }
      *value = std::move(result);
      return 0;
    }
    case ValueForm::kAcl: {
      const auto acl = Load<ObjectAclValue>(record);
      *value = v::Acl{TextOf(acl.protectedAttrName), TextOf(acl.subjectName), acl.privileges};
      return 0;
    }
    case ValueForm::kPostalAddress: {
      const auto postal = Load<PostalAddressValue>(record);
      v::PostalAddress result;
      for (std::size_t i = 0; i < 6; ++i) result.lines[i] = TextOf(postal.lines[i]);
      *value = std::move(result);
      return 0;
    }
    case ValueForm::kTimestamp: {
      const auto stamp = Load<TimestampValue>(record);
      *value = v::Timestamp{stamp.wholeSeconds, stamp.replicaNumber, stamp.eventId};
      return 0;
    }
    case ValueForm::kBackLink: {
      const auto link = Load<BackLinkValue>(record);
      *value = v::BackLink{link.remoteId, TextOf(link.objectName)};
      return 0;
    }
    case ValueForm::kTypedName: {
      const auto typed = Load<TypedNameValue>(record);
      *value = v::TypedName{TextOf(typed.objectName), typed.level, typed.interval};
      return 0;
    }
    case ValueForm::kHold: {
      const auto hold = Load<HoldValue>(record);
      *value = v::Hold{TextOf(hold.objectName), hold.amount};
      return 0;
    }
  }
  return kErrBadSyntax;
}

}  // namespace recast::client
