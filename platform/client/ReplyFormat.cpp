#include "platform/client/ReplyFormat.h"

#include <algorithm>
#include <cstring>

#include "platform/client/ClientStatus.h"

namespace recast::client {
namespace {

constexpr std::size_t kOidBytes = kAsn1IdBytes;
// The smallest encoding of one item, to tell a count that cannot be right.
constexpr std::size_t kMinEntry = 16 + 2 + 2;
constexpr std::size_t kMinText = 2;
constexpr std::size_t kMinAttrHeader = 2 + 4 + 4;
constexpr std::size_t kMinValue = 4;
constexpr std::uint32_t kOutsizedMarker = 0xFFFFFFFF;

bool PutOid(ByteWriter& out, const Asn1Id& id) {
  std::uint8_t bytes[kOidBytes] = {};
  std::memcpy(bytes, id.data, kOidBytes);
  return out.PutU32(id.length) && out.PutBytes(bytes, kOidBytes);
}

std::size_t MinClassSize(std::uint8_t infoType) {
  std::size_t size = kMinText;
  if (infoType >= 1) size += 4 + 4 + kOidBytes;
  if (infoType == 1 || infoType == 2) size += 5 * 4;
  return size;
}

std::size_t MinAttrDefSize(std::uint8_t infoType) { return kMinText + (infoType == 1 ? 4 * 5 + kOidBytes : 0); }

}  // namespace

// ---- Encoder -----------------------------------------------------------------------------

bool ReplyEncoder::Begin(ReplyKind kind, std::uint8_t infoType) {
  out_.Rewind(0);
  infoType_ = infoType;
  count_ = 0;
  if (!out_.PutU8(static_cast<std::uint8_t>(kind))) return false;
  if (kind != ReplyKind::kList && !out_.PutU8(infoType)) return false;
  countAt_ = out_.used();
  return out_.PutU32(0);
}

bool ReplyEncoder::AddEntry(std::string_view name, const service::EntrySummary& entry) {
  const std::size_t mark = out_.used();
  if (out_.PutU32(entry.flags) && out_.PutU32(entry.subordinateCount) && out_.PutU32(entry.modificationTime) &&
      out_.PutU32(0) && out_.PutText(name) && out_.PutText(entry.baseClass)) {
    ++count_;
    return true;
  }
  out_.Rewind(mark);
  return false;
}

bool ReplyEncoder::AddClass(const service::ClassDefinition& def) {
  const std::size_t mark = out_.used();
  bool ok = out_.PutText(def.name);
  if (ok && infoType_ >= 1) ok = out_.PutU32(def.flags) && PutOid(out_, def.asn1Id);
  if (ok && (infoType_ == 1 || infoType_ == 2)) {
    for (const auto* list : {&def.superClasses, &def.containmentClasses, &def.namingAttributes,
                             &def.mandatoryAttributes, &def.optionalAttributes}) {
      ok = ok && out_.PutU32(static_cast<std::uint32_t>(list->size()));
      for (const std::string& name : *list) ok = ok && out_.PutText(name);
    }
  }
  if (ok) {
    ++count_;
    return true;
  }
  out_.Rewind(mark);
  return false;
}

bool ReplyEncoder::AddAttrDef(const service::AttributeDefinition& def) {
  const std::size_t mark = out_.used();
  bool ok = out_.PutText(def.name);
  if (ok && infoType_ == 1) {
    ok = out_.PutU32(def.flags) && out_.PutU32(def.syntax) && out_.PutU32(def.lowerBound) &&
         out_.PutU32(def.upperBound) && PutOid(out_, def.asn1Id);
  }
  if (ok) {
    ++count_;
    return true;
  }
  out_.Rewind(mark);
  return false;
}

bool ReplyEncoder::BeginAttribute(std::string_view name, std::uint32_t syntax) {
  attrMark_ = out_.used();
  attrValues_ = 0;
  if (out_.PutText(name) && out_.PutU32(syntax)) {
    attrCountAt_ = out_.used();
    if (out_.PutU32(0)) return true;
  }
  out_.Rewind(attrMark_);
  return false;
}

bool ReplyEncoder::AddValue(std::string_view encoded) {
  if (!out_.PutBlob(encoded)) return false;
  ++attrValues_;
  return true;
}

bool ReplyEncoder::AddOutsizedValue(std::uint32_t index) {
  const std::size_t mark = out_.used();
  if (!out_.PutU32(kOutsizedMarker) || !out_.PutU32(index)) {
    out_.Rewind(mark);
    return false;
  }
  ++attrValues_;
  return true;
}

void ReplyEncoder::EndAttribute(bool keep) {
  if (!keep) {
    out_.Rewind(attrMark_);
    return;
  }
  out_.PatchU32(attrCountAt_, attrValues_);
  ++count_;
}

std::size_t ReplyEncoder::Finish() {
  out_.PatchU32(countAt_, count_);
  return out_.used();
}

// ---- Reader ------------------------------------------------------------------------------

void ReplyReader::Reset(const std::uint8_t* data, std::size_t size, const std::vector<std::string>* outsized) {
  ++resets_;
  data_ = data;
  size_ = size;
  outsized_ = outsized;
  offset_ = 0;
  due_ = Due::kCount;
  infoType_ = 0;
  left_ = kindsLeft_ = itemsLeft_ = 0;
  attrName_ = {};
}

void ReplyReader::Clear() {
  Reset(nullptr, 0);
  due_ = Due::kNothing;
}

DirStatus ReplyReader::Expect(ReplyKind kind, Due due) const {
  if (due_ == Due::kNothing) return kErrOutOfTurn;
  if (due_ == Due::kCount) {
    if (size_ == 0) return kErrReplyTruncatedNumber;
    if (data_[0] < 1 || data_[0] > 4) return kErrReplyUnknownKind;
    if (data_[0] != static_cast<std::uint8_t>(kind)) return kErrBadVerb;
    return due == Due::kCount ? 0 : kErrOutOfTurn;
  }
  if (data_[0] != static_cast<std::uint8_t>(kind)) return kErrBadVerb;
  if (due_ == Due::kEnd) return due == Due::kCount || due == Due::kItemCount ? kErrOutOfTurn : kErrBufferEmpty;
  return due_ == due ? 0 : kErrOutOfTurn;
}

DirStatus ReplyReader::ReadCount(ReplyKind kind, std::size_t minimumItemSize, std::uint32_t* count) {
  if (DirStatus s = Expect(kind, Due::kCount); s != 0) return s;
  ByteReader in(data_, size_, 1);
  std::uint8_t infoType = 0;
  if (kind != ReplyKind::kList) {
    if (!in.GetU8(&infoType)) return kErrReplyTruncatedNumber;
    const bool valid = kind == ReplyKind::kClassDefs ? infoType <= 3 : infoType <= 1;
    if (!valid) return kErrReplyBadInfoType;
    if (kind == ReplyKind::kClassDefs) minimumItemSize = MinClassSize(infoType);
    if (kind == ReplyKind::kAttrDefs) minimumItemSize = MinAttrDefSize(infoType);
  }
  std::uint32_t n = 0;
  if (!in.GetU32(&n)) return kErrReplyTruncatedNumber;
  if (static_cast<std::uint64_t>(n) * minimumItemSize > in.remaining()) return kErrReplyCountTooLarge;
  infoType_ = infoType;
  offset_ = in.offset();
  left_ = n;
  switch (kind) {
    case ReplyKind::kList:
      due_ = Due::kEntry;
      break;
    case ReplyKind::kClassDefs:
      due_ = Due::kClass;
      break;
    case ReplyKind::kAttrDefs:
      due_ = Due::kAttrDef;
      break;
    case ReplyKind::kObject:
      due_ = Due::kAttrName;
      break;
  }
  if (n == 0) due_ = Due::kEnd;
  *count = n;
  return 0;
}

DirStatus ReplyReader::ObjectCount(std::uint32_t* count) { return ReadCount(ReplyKind::kList, kMinEntry, count); }

DirStatus ReplyReader::ObjectName(std::string_view* name, std::uint32_t* attrCount, ObjectInfo* info) {
  if (DirStatus s = Expect(ReplyKind::kList, Due::kEntry); s != 0) return s;
  ByteReader in(data_, size_, offset_);
  std::uint32_t flags = 0, subordinates = 0, modified = 0, attrs = 0;
  if (!in.GetU32(&flags) || !in.GetU32(&subordinates) || !in.GetU32(&modified) || !in.GetU32(&attrs)) {
    return kErrReplyTruncatedNumber;
  }
  std::string_view entryName, baseClass;
  if (!in.GetText(&entryName) || !in.GetText(&baseClass)) {
    return in.remaining() < 2 ? kErrReplyTruncatedNumber : kErrReplyTruncatedText;
  }
  if (entryName.size() >= kMaxNameBytes || baseClass.size() >= kMaxSchemaNameBytes) return kErrReplyTextTooLong;
  offset_ = in.offset();
  if (--left_ == 0) due_ = Due::kEnd;
  *name = entryName;
  if (attrCount != nullptr) *attrCount = attrs;
  if (info != nullptr) {
    info->objectFlags = flags;
    info->subordinateCount = subordinates;
    info->modificationTime = modified;
    std::memset(info->baseClass, 0, sizeof info->baseClass);
    std::memcpy(info->baseClass, baseClass.data(), baseClass.size());
  }
  return 0;
}

DirStatus ReplyReader::ClassDefCount(std::uint32_t* count) { return ReadCount(ReplyKind::kClassDefs, 0, count); }

DirStatus ReplyReader::ClassDef(std::string_view* name, ClassInfo* info) {
  if (DirStatus s = Expect(ReplyKind::kClassDefs, Due::kClass); s != 0) return s;
  ByteReader in(data_, size_, offset_);
  std::string_view className;
  if (!in.GetText(&className)) return in.remaining() < 2 ? kErrReplyTruncatedNumber : kErrReplyTruncatedText;
  if (className.size() >= kMaxSchemaNameBytes) return kErrReplyTextTooLong;
  ClassInfo read;
  if (infoType_ >= 1) {
    if (!in.GetU32(&read.classFlags) || !in.GetU32(&read.asn1Id.length)) return kErrReplyTruncatedNumber;
    if (!in.GetBytes(read.asn1Id.data, kOidBytes)) return kErrReplyTruncatedText;
    if (read.asn1Id.length > kOidBytes) return kErrReplyBadObjectId;
  }
  offset_ = in.offset();
  *name = className;
  if (info != nullptr) *info = read;
  if (infoType_ == 1 || infoType_ == 2) {
    kindsLeft_ = 5;
    due_ = Due::kItemCount;
  } else {
    AfterClass();
  }
  return 0;
}

void ReplyReader::AfterClass() {
  if (--left_ == 0) {
    due_ = Due::kEnd;
  } else {
    due_ = Due::kClass;
  }
}

void ReplyReader::AfterItemList() {
  if (kindsLeft_ > 0) {
    due_ = Due::kItemCount;
  } else {
    AfterClass();
  }
}

DirStatus ReplyReader::ClassItemCount(std::uint32_t* count) {
  if (DirStatus s = Expect(ReplyKind::kClassDefs, Due::kItemCount); s != 0) return s;
  ByteReader in(data_, size_, offset_);
  std::uint32_t n = 0;
  if (!in.GetU32(&n)) return kErrReplyTruncatedNumber;
  if (static_cast<std::uint64_t>(n) * kMinText > in.remaining()) return kErrReplyCountTooLarge;
  offset_ = in.offset();
  --kindsLeft_;
  itemsLeft_ = n;
  if (n == 0) {
    AfterItemList();
  } else {
    due_ = Due::kItem;
  }
  *count = n;
  return 0;
}

DirStatus ReplyReader::ClassItem(std::string_view* name) {
  if (DirStatus s = Expect(ReplyKind::kClassDefs, Due::kItem); s != 0) return s;
  ByteReader in(data_, size_, offset_);
  std::string_view item;
  if (!in.GetText(&item)) return in.remaining() < 2 ? kErrReplyTruncatedNumber : kErrReplyTruncatedText;
  if (item.size() >= kMaxSchemaNameBytes) return kErrReplyTextTooLong;
  offset_ = in.offset();
  if (--itemsLeft_ == 0) AfterItemList();
  *name = item;
  return 0;
}

DirStatus ReplyReader::AttrCount(std::uint32_t* count) {
  if (size_ > 0 && data_[0] == static_cast<std::uint8_t>(ReplyKind::kObject)) {
    return ReadCount(ReplyKind::kObject, kMinAttrHeader, count);
  }
  return ReadCount(ReplyKind::kAttrDefs, 0, count);
}

DirStatus ReplyReader::AttrDef(std::string_view* name, AttrInfo* info) {
  if (DirStatus s = Expect(ReplyKind::kAttrDefs, Due::kAttrDef); s != 0) return s;
  ByteReader in(data_, size_, offset_);
  std::string_view attrName;
  if (!in.GetText(&attrName)) return in.remaining() < 2 ? kErrReplyTruncatedNumber : kErrReplyTruncatedText;
  if (attrName.size() >= kMaxSchemaNameBytes) return kErrReplyTextTooLong;
  AttrInfo read;
  if (infoType_ == 1) {
    if (!in.GetU32(&read.attrFlags) || !in.GetU32(&read.syntaxId) || !in.GetU32(&read.lowerBound) ||
        !in.GetU32(&read.upperBound) || !in.GetU32(&read.asn1Id.length)) {
      return kErrReplyTruncatedNumber;
    }
    if (!in.GetBytes(read.asn1Id.data, kOidBytes)) return kErrReplyTruncatedText;
    if (read.asn1Id.length > kOidBytes) return kErrReplyBadObjectId;
  }
  offset_ = in.offset();
  if (--left_ == 0) due_ = Due::kEnd;
  *name = attrName;
  if (info != nullptr && infoType_ == 1) *info = read;
  return 0;
}

DirStatus ReplyReader::AttrName(std::string_view* name, std::uint32_t* valueCount, std::uint32_t* syntax) {
  if (DirStatus s = Expect(ReplyKind::kObject, Due::kAttrName); s != 0) return s;
  ByteReader in(data_, size_, offset_);
  std::string_view attrName;
  if (!in.GetText(&attrName)) return in.remaining() < 2 ? kErrReplyTruncatedNumber : kErrReplyTruncatedText;
  if (attrName.size() >= kMaxSchemaNameBytes) return kErrReplyTextTooLong;
  std::uint32_t attrSyntax = 0, values = 0;
  if (!in.GetU32(&attrSyntax) || !in.GetU32(&values)) return kErrReplyTruncatedNumber;
  if (infoType_ == 0 && values != 0) return kErrReplyCountTooLarge;
  if (static_cast<std::uint64_t>(values) * kMinValue > in.remaining()) return kErrReplyCountTooLarge;
  offset_ = in.offset();
  attrName_ = attrName;
  syntax_ = attrSyntax;
  itemsLeft_ = values;
  if (values > 0) {
    due_ = Due::kValue;
  } else if (--left_ == 0) {
    due_ = Due::kEnd;
  }
  *name = attrName;
  if (valueCount != nullptr) *valueCount = values;
  if (syntax != nullptr) *syntax = attrSyntax;
  return 0;
}

DirStatus ReplyReader::ValueAt(std::string_view* encoded, std::uint32_t* syntax, std::size_t* next) const {
  if (DirStatus s = Expect(ReplyKind::kObject, Due::kValue); s != 0) {
    // Past the last value of the last attribute is reading past the end.
    return s;
  }
  ByteReader in(data_, size_, offset_);
  std::string_view bytes;
  std::uint32_t marker = 0;
  if (in.GetU32(&marker) && marker == kOutsizedMarker) {
    std::uint32_t index = 0;
    if (!in.GetU32(&index)) return kErrReplyTruncatedNumber;
    if (outsized_ == nullptr || index >= outsized_->size()) return kErrReplyTruncatedText;
    bytes = (*outsized_)[index];
  } else {
    in.Seek(offset_);
    if (!in.GetBlob(&bytes)) return in.remaining() < 4 ? kErrReplyTruncatedNumber : kErrReplyTruncatedText;
  }
  *encoded = bytes;
  *syntax = syntax_;
  *next = in.offset();
  return 0;
}

DirStatus ReplyReader::PeekValue(std::string_view* encoded, std::uint32_t* syntax) {
  std::size_t next = 0;
  return ValueAt(encoded, syntax, &next);
}

DirStatus ReplyReader::NextValue(std::string_view* encoded, std::uint32_t* syntax) {
  std::size_t next = 0;
  if (DirStatus s = ValueAt(encoded, syntax, &next); s != 0) return s;
  offset_ = next;
  if (--itemsLeft_ == 0) {
    due_ = --left_ == 0 ? Due::kEnd : Due::kAttrName;
  }
  return 0;
}

}  // namespace recast::client
