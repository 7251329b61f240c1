// Binary value layout. All numbers little-endian; no padding; nothing follows the value.
//
//   str        := u32 length, length bytes (no zero byte among them)
//   bytes      := u32 length, length bytes
//   count(X)   := u32 n, n * X
//
// By the syntax's value form (directory/Syntaxes.h):
//   Text            := str
//   CiList          := count(str)
//   Boolean         := u8 (0 or 1)
//   Integer         := i32
//   Octets          := bytes
//   Fax             := str number, u32 parameterBits, bytes parameters
//   NetAddress      := u32 type, bytes address
//   OctetList       := count(bytes)
//   Email           := u32 type, str address
//   Path            := u32 nameSpace, str volume, str path
//   ReplicaPointer  := str server, u32 replicaType, u32 replicaNumber,
//                      count(u32 type, bytes address)
//   Acl             := str protectedAttr, str subject, u32 privileges
//   PostalAddress   := 6 * str
//   Timestamp       := u32 seconds, u16 replicaNumber, u16 eventId
//   Seconds         := u32
//   BackLink        := u32 remoteId, str objectName
//   TypedName       := str objectName, u32 level, u32 interval
//   Hold            := str objectName, u32 amount
//   Unknown         := str attrName, u32 syntax, bytes data

#include "platform/service/ValueCodec.h"

#include <cstring>

namespace recast::service {
namespace {

class Writer {
 public:
  explicit Writer(std::string* out) : out_(out) {}
  void U8(std::uint8_t v) { out_->push_back(static_cast<char>(v)); }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  // Texts are handed out zero-terminated later, so a zero byte inside would cut them short.
  bool Str(const std::string& s) {
    if (s.find('\0') != std::string::npos) return false;
    U32(static_cast<std::uint32_t>(s.size()));
    out_->append(s);
    return true;
  }
  void Bytes(const std::vector<std::uint8_t>& b) {
    U32(static_cast<std::uint32_t>(b.size()));
    out_->append(reinterpret_cast<const char*>(b.data()), b.size());
  }

 private:
  std::string* out_;
};

class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}
  DirStatus status() const { return status_; }
  bool ok() const { return status_ == 0; }
  bool AtEnd() const { return pos_ == in_.size(); }

  std::uint8_t U8() { return static_cast<std::uint8_t>(Fixed(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Fixed(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Fixed(4)); }

  // A count of elements that each take at least minElementBytes.
  std::uint32_t Count(std::size_t minElementBytes) {
    std::uint32_t n = Length();
    if (ok() && static_cast<std::uint64_t>(n) * minElementBytes > Remaining()) Fail(kErrValueCountTooLarge);
    return ok() ? n : 0;
  }
  std::string Str() {
    std::string_view body = Body();
    if (ok() && body.find('\0') != std::string_view::npos) Fail(kErrValueEmbeddedZero);
    return ok() ? std::string(body) : std::string();
  }
  std::vector<std::uint8_t> Bytes() {
    std::string_view body = Body();
    return std::vector<std::uint8_t>(body.begin(), body.end());
  }
  void Fail(DirStatus s) {
    if (status_ == 0) status_ = s;
  }

 private:
  std::size_t Remaining() const { return in_.size() - pos_; }
  std::uint64_t Raw(std::size_t n) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i)
      v |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(in_[pos_ + i])) << (8 * i);
    pos_ += n;
    return v;
  }
  std::uint64_t Fixed(std::size_t n) {
    if (!ok()) return 0;
    if (Remaining() < n) {
      Fail(kErrValueTruncatedField);
      return 0;
    }
    return Raw(n);
  }
  std::uint32_t Length() {
    if (!ok()) return 0;
    if (Remaining() < 4) {
      Fail(kErrValueTruncatedLength);
      return 0;
    }
    return static_cast<std::uint32_t>(Raw(4));
  }
  std::string_view Body() {
    std::uint32_t n = Length();
    if (!ok()) return {};
    if (Remaining() < n) {
      Fail(kErrValueTruncatedText);
      return {};
    }
    std::string_view body = in_.substr(pos_, n);
    pos_ += n;
    return body;
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  DirStatus status_ = 0;
};

struct EncodeVisitor {
  Writer& w;
  bool operator()(const value::Text& v) { return w.Str(v.text); }
  bool operator()(const value::CiList& v) {
    w.U32(static_cast<std::uint32_t>(v.items.size()));
    for (const auto& s : v.items)
      if (!w.Str(s)) return false;
    return true;
  }
  bool operator()(const value::Boolean& v) {
    w.U8(v.value ? 1 : 0);
    return true;
  }
  bool operator()(const value::Integer& v) {
    w.U32(static_cast<std::uint32_t>(v.value));
    return true;
  }
  bool operator()(const value::Octets& v) {
    w.Bytes(v.bytes);
    return true;
  }
  bool operator()(const value::Fax& v) {
    if (!w.Str(v.number)) return false;
    w.U32(v.parameterBits);
    w.Bytes(v.parameters);
    return true;
  }
  bool operator()(const value::NetAddress& v) {
    w.U32(v.type);
    w.Bytes(v.address);
    return true;
  }
  bool operator()(const value::OctetList& v) {
    w.U32(static_cast<std::uint32_t>(v.items.size()));
    for (const auto& b : v.items) w.Bytes(b);
    return true;
  }
  bool operator()(const value::Email& v) {
    w.U32(v.type);
    return w.Str(v.address);
  }
  bool operator()(const value::Path& v) {
    w.U32(v.nameSpace);
    return w.Str(v.volume) && w.Str(v.path);
  }
  bool operator()(const value::ReplicaPointer& v) {
    if (!w.Str(v.server)) return false;
    w.U32(v.replicaType);
    w.U32(v.replicaNumber);
    w.U32(static_cast<std::uint32_t>(v.addresses.size()));
    for (const auto& a : v.addresses) (*this)(a);
    return true;
  }
  bool operator()(const value::Acl& v) {
    if (!w.Str(v.protectedAttr) || !w.Str(v.subject)) return false;
    w.U32(v.privileges);
    return true;
  }
  bool operator()(const value::PostalAddress& v) {
    for (const auto& line : v.lines)
      if (!w.Str(line)) return false;
    return true;
  }
  bool operator()(const value::Timestamp& v) {
    w.U32(v.seconds);
    w.U16(v.replicaNumber);
    w.U16(v.eventId);
    return true;
  }
  bool operator()(const value::Seconds& v) {
    w.U32(v.seconds);
    return true;
  }
  bool operator()(const value::BackLink& v) {
    w.U32(v.remoteId);
    return w.Str(v.objectName);
  }
  bool operator()(const value::TypedName& v) {
    if (!w.Str(v.objectName)) return false;
    w.U32(v.level);
    w.U32(v.interval);
    return true;
  }
  bool operator()(const value::Hold& v) {
    if (!w.Str(v.objectName)) return false;
    w.U32(v.amount);
    return true;
  }
  bool operator()(const value::Unknown& v) {
    if (!w.Str(v.attrName)) return false;
    w.U32(v.syntax);
    w.Bytes(v.data);
    return true;
  }
};

value::NetAddress ReadNetAddress(Reader& r) {
  value::NetAddress a;
  a.type = r.U32();
  a.address = r.Bytes();
  return a;
}

DirValue DecodeForm(ValueForm form, Reader& r) {
  switch (form) {
    case ValueForm::kText:
      return value::Text{r.Str()};
    case ValueForm::kCiList: {
      value::CiList v;
      std::uint32_t n = r.Count(4);
      for (std::uint32_t i = 0; i < n && r.ok(); ++i) v.items.push_back(r.Str());
      return v;
    }
    case ValueForm::kBoolean: {
      std::uint8_t b = r.U8();
      if (r.ok() && b > 1) r.Fail(kErrValueBadBoolean);
      return value::Boolean{b == 1};
    }
    case ValueForm::kInteger:
      return value::Integer{static_cast<std::int32_t>(r.U32())};
    case ValueForm::kOctets:
      return value::Octets{r.Bytes()};
    case ValueForm::kFax: {
      value::Fax v;
      v.number = r.Str();
      v.parameterBits = r.U32();
      v.parameters = r.Bytes();
      return v;
    }
    case ValueForm::kNetAddress:
      return ReadNetAddress(r);
    case ValueForm::kOctetList: {
      value::OctetList v;
      std::uint32_t n = r.Count(4);
      for (std::uint32_t i = 0; i < n && r.ok(); ++i) v.items.push_back(r.Bytes());
      return v;
    }
    case ValueForm::kEmail: {
      value::Email v;
      v.type = r.U32();
      v.address = r.Str();
      return v;
    }
    case ValueForm::kPath: {
      value::Path v;
      v.nameSpace = r.U32();
      v.volume = r.Str();
      v.path = r.Str();
      return v;
    }
    case ValueForm::kReplicaPointer: {
      value::ReplicaPointer v;
      v.server = r.Str();
      v.replicaType = r.U32();
      v.replicaNumber = r.U32();
      std::uint32_t n = r.Count(8);
      for (std::uint32_t i = 0; i < n && r.ok(); ++i) v.addresses.push_back(ReadNetAddress(r));
      return v;
    }
    case ValueForm::kAcl: {
      value::Acl v;
      v.protectedAttr = r.Str();
      v.subject = r.Str();
      v.privileges = r.U32();
      return v;
    }
    case ValueForm::kPostalAddress: {
      value::PostalAddress v;
      for (auto& line : v.lines) line = r.Str();
      return v;
    }
    case ValueForm::kTimestamp: {
      value::Timestamp v;
      v.seconds = r.U32();
      v.replicaNumber = r.U16();
      v.eventId = r.U16();
      return v;
    }
    case ValueForm::kSeconds:
      return value::Seconds{r.U32()};
    case ValueForm::kBackLink: {
      value::BackLink v;
      v.remoteId = r.U32();
      v.objectName = r.Str();
      return v;
    }
    case ValueForm::kTypedName: {
      value::TypedName v;
      v.objectName = r.Str();
      v.level = r.U32();
      v.interval = r.U32();
      return v;
    }
    case ValueForm::kHold: {
      value::Hold v;
      v.objectName = r.Str();
      v.amount = r.U32();
      return v;
    }
    case ValueForm::kUnknown: {
      value::Unknown v;
      v.attrName = r.Str();
      v.syntax = r.U32();
      v.data = r.Bytes();
      return v;
    }
  }
  return DirValue{};
}

}  // namespace

std::size_t AlternativeForSyntax(std::uint32_t syntax) { return FormIndex(FormOf(syntax)); }

DirStatus EncodeValue(std::uint32_t syntax, const DirValue& value, std::string* out) {
  if (out == nullptr) return kErrBadArgument;
  if (value.index() != AlternativeForSyntax(syntax)) return kErrValueWrongAlternative;
  std::string encoded;
  Writer w(&encoded);
  if (!std::visit(EncodeVisitor{w}, value)) return kErrValueEmbeddedZero;
  *out = std::move(encoded);
  return 0;
}

DirStatus DecodeValue(std::uint32_t syntax, std::string_view bytes, DirValue* out) {
  if (out == nullptr) return kErrBadArgument;
  Reader r(bytes);
  DirValue decoded = DecodeForm(FormOf(syntax), r);
  if (!r.ok()) return r.status();
  if (!r.AtEnd()) return kErrValueTrailingBytes;
  *out = std::move(decoded);
  return 0;
}

}  // namespace recast::service
