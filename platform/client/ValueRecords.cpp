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

bool IsTextSyntax(std::uint32_t syntax) {
  switch (syntax) {
    case kSynDistName: case kSynCeString: case kSynCiString: case kSynPrString: case kSynNuString:
    case kSynTelNumber: case kSynClassName:
      return true;
    default:
      return false;
  }
}

bool IsRawSyntax(std::uint32_t syntax) { return syntax == kSynStream || syntax >= kSynCount; }

NetAddressValue LayNetAddress(BlockLayout& block, const v::NetAddress& address) {
  NetAddressValue record{address.type, static_cast<std::uint32_t>(address.address.size()), nullptr};
  record.address = block.Bytes(address.address);
  return record;
}

template <class T>
const T* Get(const service::DirValue& value) {
  return std::get_if<T>(&value);
}

// Lays value out into block; false when its form does not belong to the syntax.
bool Lay(std::uint32_t syntax, const service::DirValue& value, std::string_view attrName, BlockLayout& block) {
  if (IsTextSyntax(syntax)) {
    const auto* text = Get<v::Text>(value);
    if (text == nullptr) return false;
    block.Text(text->text);
    return true;
  }
  if (IsRawSyntax(syntax)) {
    if (const auto* octets = Get<v::Octets>(value)) {
      block.Bytes(octets->bytes);
      return true;
    }
    if (const auto* unknown = Get<v::Unknown>(value)) {
      block.Bytes(unknown->data);
      return true;
    }
    return false;
  }
  switch (syntax) {
    case kSynUnknown: {
      const auto* unknown = Get<v::Unknown>(value);
      if (unknown == nullptr) return false;
      const std::size_t dataAt = offsetof(UnknownValue, data);
      std::uint8_t* at = block.Reserve(std::max(sizeof(UnknownValue), dataAt + unknown->data.size()),
                                       alignof(UnknownValue));
      if (at != nullptr && !unknown->data.empty()) std::memcpy(at + dataAt, unknown->data.data(), unknown->data.size());
      const char* name = block.Text(unknown->attrName.empty() ? attrName : std::string_view(unknown->attrName));
      if (at != nullptr) {
        UnknownValue header{};
        header.attrName = name;
        header.syntaxId = unknown->syntax;
        header.length = static_cast<std::uint32_t>(unknown->data.size());
        std::memcpy(at, &header, dataAt);
      }
      return true;
    }
    case kSynCiList: {
      const auto* list = Get<v::CiList>(value);
      if (list == nullptr) return false;
      std::uint8_t* first = block.Reserve(sizeof(CiListValue) * list->items.size(), alignof(CiListValue));
      for (std::size_t i = 0; i < list->items.size(); ++i) {
        CiListValue element{};
        element.text = block.Text(list->items[i]);
        if (first != nullptr) {
          auto* elements = reinterpret_cast<CiListValue*>(first);
          element.next = i + 1 < list->items.size() ? &elements[i + 1] : nullptr;
          BlockLayout::Store(first + i * sizeof(CiListValue), element);
        }
      }
      if (list->items.empty()) {
        // An empty list is one element with an empty text, so the block is never empty.
        std::uint8_t* at = block.Record<CiListValue>();
        CiListValue element{nullptr, block.Text("")};
        BlockLayout::Store(at, element);
      }
      return true;
    }
    case kSynBoolean: {
      const auto* flag = Get<v::Boolean>(value);
      if (flag == nullptr) return false;
      BlockLayout::Store(block.Reserve(1, 1), static_cast<std::uint8_t>(flag->value ? 1 : 0));
      return true;
    }
    case kSynInteger:
    case kSynCounter: {
      const auto* number = Get<v::Integer>(value);
      if (number == nullptr) return false;
      BlockLayout::Store(block.Record<std::int32_t>(), number->value);
      return true;
    }
    case kSynTime:
    case kSynInterval: {
      const auto* seconds = Get<v::Seconds>(value);
      if (seconds == nullptr) return false;
      BlockLayout::Store(block.Record<std::uint32_t>(), seconds->seconds);
      return true;
    }
    case kSynOctetString: {
      const auto* octets = Get<v::Octets>(value);
      if (octets == nullptr) return false;
      std::uint8_t* at = block.Record<OctetStringValue>();
      OctetStringValue record{static_cast<std::uint32_t>(octets->bytes.size()), block.Bytes(octets->bytes)};
      BlockLayout::Store(at, record);
      return true;
    }
    case kSynFaxNumber: {
      const auto* fax = Get<v::Fax>(value);
      if (fax == nullptr) return false;
      std::uint8_t* at = block.Record<FaxNumberValue>();
      FaxNumberValue record{block.Text(fax->number), fax->parameterBits, block.Bytes(fax->parameters)};
      BlockLayout::Store(at, record);
      return true;
    }
    case kSynNetAddress: {
      const auto* address = Get<v::NetAddress>(value);
      if (address == nullptr) return false;
      std::uint8_t* at = block.Record<NetAddressValue>();
      BlockLayout::Store(at, LayNetAddress(block, *address));
      return true;
    }
    case kSynOctetList: {
      const auto* list = Get<v::OctetList>(value);
      if (list == nullptr) return false;
      const std::size_t n = std::max<std::size_t>(1, list->items.size());
      std::uint8_t* first = block.Reserve(sizeof(OctetListValue) * n, alignof(OctetListValue));
      for (std::size_t i = 0; i < n; ++i) {
        static const std::vector<std::uint8_t> kNone;
        const auto& bytes = list->items.empty() ? kNone : list->items[i];
        OctetListValue element{nullptr, static_cast<std::uint32_t>(bytes.size()), block.Bytes(bytes)};
        if (first != nullptr) {
          auto* elements = reinterpret_cast<OctetListValue*>(first);
          element.next = i + 1 < n ? &elements[i + 1] : nullptr;
          BlockLayout::Store(first + i * sizeof(OctetListValue), element);
        }
      }
      return true;
    }
    case kSynEmailAddress: {
      const auto* email = Get<v::Email>(value);
      if (email == nullptr) return false;
      std::uint8_t* at = block.Record<EmailAddressValue>();
      EmailAddressValue record{email->type, block.Text(email->address)};
      BlockLayout::Store(at, record);
      return true;
    }
    case kSynPath: {
      const auto* path = Get<v::Path>(value);
      if (path == nullptr) return false;
      std::uint8_t* at = block.Record<PathValue>();
      PathValue record{path->nameSpace, nullptr, nullptr};
      record.volumeName = block.Text(path->volume);
      record.path = block.Text(path->path);
      BlockLayout::Store(at, record);
      return true;
    }
    case kSynReplicaPointer: {
      const auto* replica = Get<v::ReplicaPointer>(value);
      if (replica == nullptr) return false;
      std::uint8_t* at = block.Record<ReplicaPointerValue>();
      ReplicaPointerValue record{};
      record.serverName = block.Text(replica->server);
      record.replicaType = replica->replicaType;
      record.replicaNumber = replica->replicaNumber;
      record.addressCount = static_cast<std::uint32_t>(replica->addresses.size());
      std::uint8_t* addresses =
          block.Reserve(sizeof(NetAddressValue) * replica->addresses.size(), alignof(NetAddressValue));
      record.addresses = reinterpret_cast<const NetAddressValue*>(addresses);
      for (std::size_t i = 0; i < replica->addresses.size(); ++i) {
        NetAddressValue address = LayNetAddress(block, replica->addresses[i]);
        if (addresses != nullptr) BlockLayout::Store(addresses + i * sizeof(NetAddressValue), address);
      }
      BlockLayout::Store(at, record);
      return true;
    }
    case kSynObjectAcl: {
      const auto* acl = Get<v::Acl>(value);
      if (acl == nullptr) return false;
      std::uint8_t* at = block.Record<ObjectAclValue>();
      ObjectAclValue record{};
      record.protectedAttrName = block.Text(acl->protectedAttr);
      record.subjectName = block.Text(acl->subject);
      record.privileges = acl->privileges;
      BlockLayout::Store(at, record);
      return true;
    }
    case kSynPoAddress: {
      const auto* postal = Get<v::PostalAddress>(value);
      if (postal == nullptr) return false;
      std::uint8_t* at = block.Record<PostalAddressValue>();
      PostalAddressValue record{};
      for (std::size_t i = 0; i < 6; ++i) record.lines[i] = block.Text(postal->lines[i]);
      BlockLayout::Store(at, record);
      return true;
    }
    case kSynTimestamp: {
      const auto* stamp = Get<v::Timestamp>(value);
      if (stamp == nullptr) return false;
      BlockLayout::Store(block.Record<TimestampValue>(), TimestampValue{stamp->seconds, stamp->replicaNumber, stamp->eventId});
      return true;
    }
    case kSynBackLink: {
      const auto* link = Get<v::BackLink>(value);
      if (link == nullptr) return false;
      std::uint8_t* at = block.Record<BackLinkValue>();
      BackLinkValue record{link->remoteId, block.Text(link->objectName)};
      BlockLayout::Store(at, record);
      return true;
    }
    case kSynTypedName: {
      const auto* typed = Get<v::TypedName>(value);
      if (typed == nullptr) return false;
      std::uint8_t* at = block.Record<TypedNameValue>();
      TypedNameValue record{block.Text(typed->objectName), typed->level, typed->interval};
      BlockLayout::Store(at, record);
      return true;
    }
    case kSynHold: {
      const auto* hold = Get<v::Hold>(value);
      if (hold == nullptr) return false;
      std::uint8_t* at = block.Record<HoldValue>();
      HoldValue record{block.Text(hold->objectName), hold->amount};
      BlockLayout::Store(at, record);
      return true;
    }
    default:
      return false;
  }
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
  if (IsTextSyntax(syntax)) {
    *value = v::Text{static_cast<const char*>(record)};
    return 0;
  }
  switch (syntax) {
    case kSynUnknown: {
      const auto header = Load<UnknownValue>(record);
      const auto* data = static_cast<const std::uint8_t*>(record) + offsetof(UnknownValue, data);
      *value = v::Unknown{TextOf(header.attrName), header.syntaxId, BytesOf(data, header.length)};
      return 0;
    }
    case kSynCiList: {
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
    case kSynBoolean:
      *value = v::Boolean{*static_cast<const std::uint8_t*>(record) != 0};
      return 0;
    case kSynInteger:
    case kSynCounter:
      *value = v::Integer{Load<std::int32_t>(record)};
      return 0;
    case kSynTime:
    case kSynInterval:
      *value = v::Seconds{Load<std::uint32_t>(record)};
      return 0;
    case kSynOctetString: {
      const auto octets = Load<OctetStringValue>(record);
      *value = v::Octets{BytesOf(octets.data, octets.length)};
      return 0;
    }
    case kSynFaxNumber: {
      const auto fax = Load<FaxNumberValue>(record);
      *value = v::Fax{TextOf(fax.telephoneNumber), fax.parameterBits, BytesOf(fax.parameters, (fax.parameterBits + 7) / 8)};
      return 0;
    }
    case kSynNetAddress:
      *value = NetAddressOf(Load<NetAddressValue>(record));
      return 0;
    case kSynOctetList: {
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
    case kSynEmailAddress: {
      const auto email = Load<EmailAddressValue>(record);
      *value = v::Email{email.addressType, TextOf(email.address)};
      return 0;
    }
    case kSynPath: {
      const auto path = Load<PathValue>(record);
      *value = v::Path{path.nameSpaceType, TextOf(path.volumeName), TextOf(path.path)};
      return 0;
    }
    case kSynReplicaPointer: {
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
    case kSynObjectAcl: {
      const auto acl = Load<ObjectAclValue>(record);
      *value = v::Acl{TextOf(acl.protectedAttrName), TextOf(acl.subjectName), acl.privileges};
      return 0;
    }
    case kSynPoAddress: {
      const auto postal = Load<PostalAddressValue>(record);
      v::PostalAddress result;
      for (std::size_t i = 0; i < 6; ++i) result.lines[i] = TextOf(postal.lines[i]);
      *value = std::move(result);
      return 0;
    }
    case kSynTimestamp: {
      const auto stamp = Load<TimestampValue>(record);
      *value = v::Timestamp{stamp.wholeSeconds, stamp.replicaNumber, stamp.eventId};
      return 0;
    }
    case kSynBackLink: {
      const auto link = Load<BackLinkValue>(record);
      *value = v::BackLink{link.remoteId, TextOf(link.objectName)};
      return 0;
    }
    case kSynTypedName: {
      const auto typed = Load<TypedNameValue>(record);
      *value = v::TypedName{TextOf(typed.objectName), typed.level, typed.interval};
      return 0;
    }
    case kSynHold: {
      const auto hold = Load<HoldValue>(record);
      *value = v::Hold{TextOf(hold.objectName), hold.amount};
      return 0;
    }
    default:
      return kErrBadSyntax;
  }
}

}  // namespace recast::client
