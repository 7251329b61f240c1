#include "directory/AttributeValues.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <stdexcept>

#include "directory/AttributeDefinitions.h"
#include "directory/ByteView.h"
#include "directory/DirGuards.h"
#include "directory/DirTime.h"
#include "directory/OctetFormatting.h"
#include "directory/StreamText.h"
#include "util/Duration.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast {

namespace {

constexpr std::string_view kAliasedObjectName = "ALIASED OBJECT NAME";
constexpr std::string_view kEntryRights = "[Entry Rights]";

// One value block as GetAttrVal wrote it. Every reference is checked to point inside the
// block before it is followed; a record that breaks that rule is reported as malformed.
class ValueBlock {
 public:
  ValueBlock(const void* value, std::uint32_t size, std::uint32_t syntax)
      : begin_(static_cast<const std::uint8_t*>(value)), size_(value != nullptr ? size : 0), syntax_(syntax) {}

  // bytes: how much of the record must lie in the block (all of it unless it ends in
  // inline data).
  template <typename Record>
  const Record& At(const void* where, std::size_t bytes = sizeof(Record)) const {
    const auto* p = static_cast<const std::uint8_t*>(where);
    if (!Inside(p, bytes) || reinterpret_cast<std::uintptr_t>(p) % alignof(Record) != 0) Fail();
    return *reinterpret_cast<const Record*>(p);
  }
  template <typename Record>
  const Record& Head() const {
    return At<Record>(begin_);
  }

  // A referenced text; null reads as empty; runs to its zero or the end of the block.
  std::string Text(const char* text) const {
    if (text == nullptr) return {};
    const auto* p = reinterpret_cast<const std::uint8_t*>(text);
    if (!Inside(p, 1)) Fail();
    return ByteView(p, static_cast<std::size_t>(begin_ + size_ - p)).Text(0);
  }
  const std::uint8_t* Bytes(const std::uint8_t* data, std::uint32_t length) const {
    if (length == 0) return data;
    if (data == nullptr || !Inside(data, length)) Fail();
    return data;
  }
  // The block itself as text (the text syntaxes).
  std::string WholeText() const { return ByteView(begin_, size_).Text(0); }
  std::string WholeHex() const { return HexBytes(begin_, size_); }
  std::uint32_t size() const { return size_; }
  const std::uint8_t* begin() const { return begin_; }
  // Most records a chain can hold; a longer chain must be a loop.
  std::size_t MaxChain(std::size_t recordSize) const { return size_ / recordSize; }

  [[noreturn]] void Fail() const { throw std::runtime_error(Format("Malformed value of syntax %d", {syntax_})); }

 private:
  bool Inside(const std::uint8_t* p, std::size_t count) const {
    if (begin_ == nullptr || p < begin_) return false;
    const auto offset = static_cast<std::size_t>(p - begin_);
    return offset <= size_ && count <= size_ - offset;
  }

  const std::uint8_t* begin_;
  std::uint32_t size_;
  std::uint32_t syntax_;
};

void Append(TaggedList& values, std::string text) { values.Add(std::move(text), 0); }

template <typename Number>
Number NumberValue(const ValueBlock& block) {
  return block.Head<Number>();
}

void FormatUnknown(const ValueBlock& block, std::string_view attrName, TaggedList& values) {
  constexpr std::size_t kDataOffset = offsetof(UnknownValue, data);
  const auto& record = block.At<UnknownValue>(block.begin(), kDataOffset);
  const std::size_t available = block.size() > kDataOffset ? block.size() - kDataOffset : 0;
  const std::size_t length = std::min<std::size_t>(record.length, available);
  Append(values, Format("%s [%d] %s", {attrName, static_cast<std::int32_t>(record.syntaxId),
                                       HexBytes(block.begin() + kDataOffset, length)}));
}

void FormatRecord(const ValueBlock& block, std::uint32_t syntax, std::string_view attrName, TaggedList& values) {
  const SyntaxInfo info = SyntaxOf(syntax);
  if (info.detail == SyntaxDetail::kRaw) {  // streams never come here
    Append(values, Format("[%X] %s", {syntax, block.WholeHex()}));
    return;
  }
  switch (info.form) {
    case ValueForm::kUnknown:
      FormatUnknown(block, attrName, values);
      break;
    case ValueForm::kText:
      Append(values, block.WholeText());
      break;
    case ValueForm::kCiList: {
      const CiListValue* element = &block.Head<CiListValue>();
      for (std::size_t n = 0; element != nullptr; ++n) {
        if (n > block.MaxChain(sizeof(CiListValue))) block.Fail();
        const auto& record = block.At<CiListValue>(element);
        Append(values, block.Text(record.text));
        element = record.next;
      }
      break;
    }
    case ValueForm::kBoolean:
      Append(values, BoolText(NumberValue<std::uint8_t>(block)));
      break;
    case ValueForm::kInteger:
      Append(values, Format("%d", {NumberValue<std::int32_t>(block)}));
      break;
    case ValueForm::kOctets: {
      const auto& record = block.Head<OctetStringValue>();
      Append(values, FormatOctetValue(record.length, block.Bytes(record.data, record.length), attrName));
      break;
    }
    case ValueForm::kFax:
      Append(values, block.Text(block.Head<FaxNumberValue>().telephoneNumber));
      break;
    case ValueForm::kNetAddress: {
      const auto& record = block.Head<NetAddressValue>();
      Append(values, FormatNetAddress(record.addressType, block.Bytes(record.address, record.length), record.length));
      break;
    }
    case ValueForm::kOctetList: {
      const OctetListValue* element = &block.Head<OctetListValue>();
      for (std::size_t n = 0; element != nullptr; ++n) {
        if (n > block.MaxChain(sizeof(OctetListValue))) block.Fail();
        const auto& record = block.At<OctetListValue>(element);
        Append(values, FormatOctetValue(record.length, block.Bytes(record.data, record.length), attrName));
        element = record.next;
      }
      break;
    }
    case ValueForm::kEmail:
      Append(values, block.Text(block.Head<EmailAddressValue>().address));
      break;
    case ValueForm::kPath: {
      const auto& record = block.Head<PathValue>();
      Append(values, Format("(%d) %s:%s", {static_cast<std::int32_t>(record.nameSpaceType),
                                           block.Text(record.volumeName), block.Text(record.path)}));
      break;
    }
    case ValueForm::kReplicaPointer: {
      const auto& record = block.Head<ReplicaPointerValue>();
      Append(values, Format("%s [Type: %d] [Nr: %d]",
                            {block.Text(record.serverName), static_cast<std::int32_t>(record.replicaType),
                             static_cast<std::int32_t>(record.replicaNumber)}));
      break;
    }
    case ValueForm::kAcl: {
      const auto& record = block.Head<ObjectAclValue>();
      const std::string protectedName = block.Text(record.protectedAttrName);
      const RightsKind kind =
          protectedName.find(kEntryRights) != std::string::npos ? RightsKind::Entry : RightsKind::Attribute;
      Append(values, Format("%s %s / \"%s\"",
                            {FormatRights(record.privileges, kind), block.Text(record.subjectName), protectedName}));
      break;
    }
    case ValueForm::kPostalAddress: {
      const auto& record = block.Head<PostalAddressValue>();
      for (const char* line : record.lines) Append(values, block.Text(line));
      break;
    }
    case ValueForm::kTimestamp:
      Append(values, FormatDirTime(block.Head<TimestampValue>().wholeSeconds, true));
      break;
    case ValueForm::kSeconds:
      Append(values, info.detail == SyntaxDetail::kDuration ? DurationText(NumberValue<std::uint32_t>(block))
                                                            : FormatDirTime(NumberValue<std::uint32_t>(block), true));
      break;
    case ValueForm::kBackLink:
      Append(values, block.Text(block.Head<BackLinkValue>().objectName));
      break;
    case ValueForm::kTypedName:
      Append(values, block.Text(block.Head<TypedNameValue>().objectName));
      break;
    case ValueForm::kHold: {
      const auto& record = block.Head<HoldValue>();
      Append(values, Format("%s (%d)", {block.Text(record.objectName), static_cast<std::int32_t>(record.amount)}));
      break;
    }
  }
}

// A secret's value shows its size only, never its bytes.
std::string SecretValueText(const void* value, std::uint32_t size) {
  return Format("(secret, %u bytes)", {ValueBlock(value, size, kSynOctetString).Head<OctetStringValue>().length});
}

}  // namespace

void FormatAttributeValue(const void* value, std::uint32_t syntax, std::uint32_t size, std::string_view attrName,
                          TaggedList& values) {
  // A malformed record becomes one entry with the error's text, like any error raised while
  // a value is formatted; the caller's other values are unaffected.
  VectorTaggedList entries;
  try {
    FormatRecord(ValueBlock(value, size, syntax), syntax, attrName, entries);
  } catch (const std::exception& error) {
    values.Add(error.what(), 0);
    return;
  }
  for (const auto& entry : entries.entries()) values.Add(entry.text, entry.tag);
}

namespace {

// A duplicate of ctx for reading attrName: "Aliased Object Name" is read on the alias itself.
DirStatus ReadingContext(DirectoryClient& client, DirContext ctx, std::string_view attrName, ScopedContext* dup) {
  if (DirStatus status = dup->Duplicate(client, ctx); status != 0) return status;
  if (TextEquals(attrName, kAliasedObjectName)) {
    std::uint32_t flags = 0;
    client.GetContextValue(dup->get(), kKeyFlags, &flags);
    flags &= ~kFlagDerefAliases;
    client.SetContextValue(dup->get(), kKeyFlags, &flags);
  }
  return 0;
}

// A read request for names and a reply buffer for it.
DirStatus PrepareRead(DirectoryClient& client, DirContext dup, const std::vector<std::string>& names,
                      ScopedBuffer* request, ScopedBuffer* reply) {
  std::size_t bytes = 0;  // a generous bound on what the names take in the request
  for (const std::string& name : names) bytes += name.size() + 16;
  const std::size_t size = std::clamp<std::size_t>(bytes, kDefaultBufferSize, kMaxBufferSize);
  DirStatus status = request->Allocate(client, static_cast<std::uint32_t>(size));
  if (status == 0) status = client.InitBuffer(dup, kOpReadObject, request->get());
  for (const std::string& name : names) {
    if (status == 0) status = client.PutAttrName(dup, request->get(), name.c_str());
  }
  if (status == 0) status = reply->Allocate(client, kMaxBufferSize);
  if (status == 0) status = client.InitBuffer(dup, kOpReadObject, reply->get());
  return status;
}

// Appends the valueCount values of attr (of syntax) at the reply's cursor. Returns the status
// of the last step; a value that cannot be read is skipped.
DirStatus AppendReplyValues(DirectorySession& session, DirContext dup, const std::string& object,
                            const std::string& attr, std::uint32_t syntax, std::uint32_t valueCount, DirBuffer reply,
                            TaggedList& values) {
  DirectoryClient& client = session.client;
  if (syntax == kSynStream) {
    std::string text;
    const DirStatus status = ReadStreamText(session, dup, object, attr, &text);
    if (status == 0) values.Add(text, 0);
    return status;
  }
  AttributeDefinition definition;
  const bool secret = syntax == kSynOctetString && ReadAttributeDefinition(session, dup, attr, &definition) == 0 &&
                      (definition.attrFlags & kAttrSecret) != 0;
  DirStatus status = 0;
  for (std::uint32_t i = 0; i < valueCount; ++i) {
    try {
      std::uint32_t size = 0;
      status = client.ComputeAttrValSize(dup, reply, syntax, &size);
      std::unique_ptr<std::uint8_t[]> block;
      if (size > 0) block = std::make_unique<std::uint8_t[]>(size);
      if (status == 0) status = client.GetAttrVal(dup, reply, syntax, block.get());
      if (status == 0 && secret)
        values.Add(SecretValueText(block.get(), size), 0);
      else if (status == 0)
        FormatAttributeValue(block.get(), syntax, size, attr, values);
    } catch (const std::exception& error) {
      values.Add(error.what(), 0);
    }
  }
  return status;
}

// The attribute name at the reply's cursor, with its value count and syntax.
DirStatus ReplyAttribute(DirectoryClient& client, DirContext dup, DirBuffer reply, std::string* name,
                         std::uint32_t* valueCount, std::uint32_t* syntax) {
  std::array<char, kMaxSchemaNameBytes> text{};
  const DirStatus status = client.GetAttrName(dup, reply, text.data(), valueCount, syntax);
  if (status == 0) name->assign(text.data(), strnlen(text.data(), text.size()));
  return status;
}

}  // namespace

DirStatus ReadAttributeValues(DirectorySession& session, DirContext ctx, std::string_view objectName,
                              std::string_view attrName, TaggedList& values) {
  DirectoryClient& client = session.client;
  ScopedContext dup;
  DirStatus status = ReadingContext(client, ctx, attrName, &dup);
  if (status != 0) return status;
  const std::string object(objectName);
  ScopedBuffer request;
  ScopedBuffer reply;
  status = PrepareRead(client, dup.get(), {std::string(attrName)}, &request, &reply);
  if (status != 0) return status;

  IterationHandle iteration = kNoIteration;
  do {
    status =
        client.ReadObject(dup.get(), object.c_str(), kObjectInfoValues, false, request.get(), &iteration, reply.get());
    std::uint32_t attrCount = 0;
    if (status == 0) status = client.GetAttrCount(dup.get(), reply.get(), &attrCount);
    std::string attr;
    std::uint32_t valueCount = 0;
    std::uint32_t syntax = 0;
    if (status == 0) status = ReplyAttribute(client, dup.get(), reply.get(), &attr, &valueCount, &syntax);
    if (status != 0) break;
    status = AppendReplyValues(session, dup.get(), object, attr, syntax, valueCount, reply.get(), values);
    if (syntax == kSynStream && status != 0) break;
  } while (iteration != kNoIteration);
  return status;
}

AttributeReader::AttributeReader(DirectorySession& session, std::vector<std::string> names)
    : session_(session), names_(std::move(names)) {
  aliasAmongNames_ = std::any_of(names_.begin(), names_.end(),
                                 [](const std::string& name) { return TextEquals(name, kAliasedObjectName); });
}

// The one request of Read; false when its reply cannot be matched to the names asked (then
// each attribute is read on its own).
bool AttributeReader::ReadInOne(DirContext ctx, const std::string& object, std::vector<AttributeRead>* reads,
                                DirStatus* overall) {
  DirectoryClient& client = session_.client;
  ScopedContext dup;
  *overall = dup.Duplicate(client, ctx);
  if (*overall == 0 && !request_.held()) {
    *overall = PrepareRead(client, dup.get(), names_, &request_, &reply_);
    if (*overall != 0) {
      request_.Release();
      reply_.Release();
    }
  }
  if (*overall != 0) return false;
  IterationHandle iteration = kNoIteration;
  std::size_t expected = 0;  // replies come in the order asked: look there first
  do {
    DirStatus status = client.ReadObject(dup.get(), object.c_str(), kObjectInfoValues, false, request_.get(),
                                         &iteration, reply_.get());
    std::uint32_t attrCount = 0;
    if (status == 0) status = client.GetAttrCount(dup.get(), reply_.get(), &attrCount);
    if (status != 0) {
      *overall = status;
      return false;
    }
    for (std::uint32_t n = 0; n < attrCount; ++n) {
      std::string attr;
      std::uint32_t valueCount = 0;
      std::uint32_t syntax = 0;
      if (ReplyAttribute(client, dup.get(), reply_.get(), &attr, &valueCount, &syntax) != 0) return false;
      std::size_t at = reads->size();
      for (std::size_t k = 0; k < reads->size() && at == reads->size(); ++k) {
        const std::size_t i = (expected + k) % reads->size();
        if (TextEquals(names_[i], attr)) at = i;
      }
      if (at == reads->size()) return false;
      expected = at + 1;
      AttributeRead& read = (*reads)[at];
      read.status = AppendReplyValues(session_, dup.get(), object, attr, syntax, valueCount, reply_.get(), read.values);
    }
  } while (iteration != kNoIteration);
  return true;
}

void AttributeReader::Read(DirContext ctx, std::string_view objectName, std::vector<AttributeRead>* reads,
                           bool nameEach) {
  const std::string object(objectName);
  reads->resize(names_.size());
  for (std::size_t i = 0; i < names_.size(); ++i) {
    AttributeRead& read = (*reads)[i];
    if (!nameEach)
      read.name.clear();
    else if (read.name != names_[i])
      read.name = names_[i];
    read.status = kErrNoSuchAttribute;
    read.values.Clear();
  }
  DirStatus overall = 0;
  if (!aliasAmongNames_ && !reads->empty() && ReadInOne(ctx, object, reads, &overall)) return;
  if (!aliasAmongNames_ && std::llabs(overall) == std::llabs(kErrNoSuchAttribute)) {
    for (AttributeRead& read : *reads) {
      read.status = overall;
      read.values.Clear();
    }
    return;
  }
  // One unreadable attribute must not hide the others' values or statuses.
  for (std::size_t i = 0; i < names_.size(); ++i) {
    AttributeRead& read = (*reads)[i];
    read.values.Clear();
    read.status = ReadAttributeValues(session_, ctx, object, names_[i], read.values);
  }
}

std::string JoinValueText(const VectorTaggedList& values) {
  std::string joined;
  for (const auto& entry : values.entries()) joined += entry.text + "\r\n";
  return TrimRightChars(joined, "\r\n");
}

DirStatus GetAttributeValueText(DirectorySession& session, DirContext ctx, std::string_view objectName,
                                std::string_view attrName, std::string* text) {
  VectorTaggedList values;
  const DirStatus status = ReadAttributeValues(session, ctx, objectName, attrName, values);
  *text = JoinValueText(values);
  return status;
}

}  // namespace recast
