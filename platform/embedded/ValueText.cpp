#include "platform/embedded/ValueText.h"

#include <charconv>
#include <ctime>

#include "util/CalendarDays.h"

namespace recast::embedded {
namespace value = service::value;

namespace {

std::vector<std::string> SplitFields(std::string_view text) {
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == ';' || text[i + 1] == '\\')) {
      fields.back().push_back(text[++i]);
    } else if (c == ';') {
      fields.emplace_back();
    } else {
      fields.back().push_back(c);
    }
  }
  return fields;
}

bool U32(std::string_view text, std::uint32_t* out) {
  std::int64_t n = 0;
  if (!ParseNumber(text, &n) || n < 0 || n > 0xFFFFFFFFLL) return false;
  *out = static_cast<std::uint32_t>(n);
  return true;
}

bool U16(std::string_view text, std::uint16_t* out) {
  std::uint32_t n = 0;
  if (!U32(text, &n) || n > 0xFFFF) return false;
  *out = static_cast<std::uint16_t>(n);
  return true;
}

bool ParseTime(std::string_view text, std::uint32_t* seconds) {
  if (U32(text, seconds)) return true;
  // YYYY-MM-DDTHH:MM:SSZ
  if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':' ||
      text[19] != 'Z')
    return false;
  auto field = [&](std::size_t at, std::size_t len, unsigned* out) {
    auto r = std::from_chars(text.data() + at, text.data() + at + len, *out);
    return r.ec == std::errc() && r.ptr == text.data() + at + len;
  };
  unsigned y, mo, d, h, mi, s;
  if (!field(0, 4, &y) || !field(5, 2, &mo) || !field(8, 2, &d) || !field(11, 2, &h) || !field(14, 2, &mi) ||
      !field(17, 2, &s))
    return false;
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return false;
  std::int64_t total = DaysFromCivil({static_cast<int>(y), mo, d}) * 86400 + h * 3600 + mi * 60 + s;
  if (total < 0 || total > 0xFFFFFFFFLL) return false;
  *seconds = static_cast<std::uint32_t>(total);
  return true;
}

}  // namespace

bool ParseNumber(std::string_view text, std::int64_t* number) {
  bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return false;
  std::int64_t n = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), n, base);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
  *number = negative ? -n : n;
  return true;
}

bool ParseHex(std::string_view text, std::vector<std::uint8_t>* bytes) {
  std::vector<std::uint8_t> out;
  int high = -1;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else if (c == ' ' || c == '\t')
      continue;
    else
      return false;
    if (high < 0) {
      high = digit;
    } else {
      out.push_back(static_cast<std::uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  if (high >= 0) return false;
  *bytes = std::move(out);
  return true;
}

bool ValueFromBytes(std::uint32_t syntax, std::vector<std::uint8_t> bytes, service::DirValue* out) {
  if (FormOf(syntax) != ValueForm::kOctets) return false;
  *out = value::Octets{std::move(bytes)};
  return true;
}

bool ParseValueText(std::uint32_t syntax, std::string_view text, service::DirValue* out, std::string* error) {
  auto fail = [&](const char* why) {
    *error = why;
    return false;
  };
  std::vector<std::string> f = SplitFields(text);
  auto need = [&](std::size_t n) { return f.size() == n; };
  switch (FormOf(syntax)) {
    case ValueForm::kText:
      *out = value::Text{std::string(text)};
      return true;
    case ValueForm::kCiList:
      *out = value::CiList{f};
      return true;
    case ValueForm::kBoolean:
      if (text == "TRUE" || text == "true" || text == "1")
        *out = value::Boolean{true};
      else if (text == "FALSE" || text == "false" || text == "0")
        *out = value::Boolean{false};
      else
        return fail("a boolean is TRUE or FALSE");
      return true;
    case ValueForm::kInteger: {
      std::int64_t n = 0;
      if (!ParseNumber(text, &n) || n < INT32_MIN || n > 0xFFFFFFFFLL) return fail("not a 32-bit number");
      *out = value::Integer{static_cast<std::int32_t>(static_cast<std::uint32_t>(n))};
      return true;
    }
    case ValueForm::kFax: {
      value::Fax v;
      if (!need(3) || !U32(f[1], &v.parameterBits) || !ParseHex(f[2], &v.parameters))
        return fail("a fax number is number;bits;hex");
      v.number = f[0];
      *out = v;
      return true;
    }
    case ValueForm::kNetAddress: {
      value::NetAddress v;
      if (!need(2) || !U32(f[0], &v.type) || !ParseHex(f[1], &v.address)) return fail("a net address is type;hex");
      *out = v;
      return true;
    }
    case ValueForm::kOctetList: {
      value::OctetList v;
      for (const auto& item : f) {
        std::vector<std::uint8_t> bytes;
        if (!ParseHex(item, &bytes)) return fail("an octet list is hex;hex;...");
        v.items.push_back(std::move(bytes));
      }
      *out = v;
      return true;
    }
    case ValueForm::kEmail: {
      value::Email v;
      if (!need(2) || !U32(f[0], &v.type)) return fail("an e-mail address is type;address");
      v.address = f[1];
      *out = v;
      return true;
    }
    case ValueForm::kPath: {
      value::Path v;
      if (!need(3) || !U32(f[0], &v.nameSpace)) return fail("a path is nameSpace;volume;path");
      v.volume = f[1];
      v.path = f[2];
      *out = v;
      return true;
    }
    case ValueForm::kReplicaPointer: {
      value::ReplicaPointer v;
      if (f.size() < 3 || !U32(f[1], &v.replicaType) || !U32(f[2], &v.replicaNumber))
        return fail("a replica pointer is server;type;number;type=hex;...");
      v.server = f[0];
      for (std::size_t i = 3; i < f.size(); ++i) {
        std::size_t eq = f[i].find('=');
        value::NetAddress a;
        if (eq == std::string::npos || !U32(f[i].substr(0, eq), &a.type) || !ParseHex(f[i].substr(eq + 1), &a.address))
          return fail("a replica address is type=hex");
        v.addresses.push_back(std::move(a));
      }
      *out = v;
      return true;
    }
    case ValueForm::kAcl: {
      value::Acl v;
      if (!need(3) || !U32(f[2], &v.privileges)) return fail("an access control entry is attribute;subject;rights");
      v.protectedAttr = f[0];
      v.subject = f[1];
      *out = v;
      return true;
    }
    case ValueForm::kPostalAddress: {
      if (f.size() > 6) return fail("a postal address has at most six lines");
      value::PostalAddress v;
      for (std::size_t i = 0; i < f.size(); ++i) v.lines[i] = f[i];
      *out = v;
      return true;
    }
    case ValueForm::kTimestamp: {
      value::Timestamp v;
      if (!need(3) || !ParseTime(f[0], &v.seconds) || !U16(f[1], &v.replicaNumber) || !U16(f[2], &v.eventId))
        return fail("a timestamp is time;replica;event");
      *out = v;
      return true;
    }
    case ValueForm::kSeconds: {
      value::Seconds v;
      const bool time = SyntaxOf(syntax).detail == SyntaxDetail::kPointInTime;
      if (!(time ? ParseTime(text, &v.seconds) : U32(text, &v.seconds)))
        return fail(time ? "not a time" : "not a number of seconds");
      *out = v;
      return true;
    }
    case ValueForm::kBackLink: {
      value::BackLink v;
      if (!need(2) || !U32(f[0], &v.remoteId)) return fail("a back link is remoteId;name");
      v.objectName = f[1];
      *out = v;
      return true;
    }
    case ValueForm::kTypedName: {
      value::TypedName v;
      if (!need(3) || !U32(f[1], &v.level) || !U32(f[2], &v.interval))
        return fail("a typed name is name;level;interval");
      v.objectName = f[0];
      *out = v;
      return true;
    }
    case ValueForm::kHold: {
      value::Hold v;
      if (!need(2) || !U32(f[1], &v.amount)) return fail("a hold is name;amount");
      v.objectName = f[0];
      *out = v;
      return true;
    }
    case ValueForm::kUnknown: {
      value::Unknown v;
      if (!need(3) || !U32(f[1], &v.syntax) || !ParseHex(f[2], &v.data))
        return fail("an unknown value is name;syntax;hex");
      v.attrName = f[0];
      *out = v;
      return true;
    }
    case ValueForm::kOctets:  // the text's own bytes
      *out = value::Octets{std::vector<std::uint8_t>(text.begin(), text.end())};
      return true;
  }
  return fail("unknown value form");
}

}  // namespace recast::embedded
