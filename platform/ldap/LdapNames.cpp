#include "platform/ldap/LdapNames.h"

#include <ldap.h>

#include <memory>

namespace recast::ldap {
namespace {

char HexDigit(unsigned nibble) { return "0123456789abcdef"[nibble & 0x0F]; }

void AppendHexEscape(std::string* out, unsigned char c) {
  out->push_back('\\');
  out->push_back(HexDigit(c >> 4));
  out->push_back(HexDigit(c));
}

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct DnFree {
  void operator()(LDAPDN dn) const { ldap_dnfree(dn); }
};

}  // namespace

std::string EscapeFilterValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '*' || c == '(' || c == ')' || c == '\\' || c == 0) {
      AppendHexEscape(&out, c);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

std::string EscapeDnValue(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 4);
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char ch = value[i];
    const bool edge = (i == 0 && (ch == ' ' || ch == '#')) || (i + 1 == value.size() && ch == ' ');
    if (ch == 0) {
      out += "\\00";
    } else if (edge || ch == ',' || ch == '+' || ch == '"' || ch == '\\' || ch == '<' || ch == '>' ||
               ch == ';' || ch == '=') {
      out.push_back('\\');
      out.push_back(ch);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

bool IsValidAttributeType(std::string_view type) {
  if (type.empty()) return false;
  if (IsAlpha(type[0])) {
    for (char c : type) {
      if (!IsAlpha(c) && !IsDigit(c) && c != '-') return false;
    }
    return true;
  }
  // Numeric OID: digits separated by single dots.
  bool lastWasDot = true;
  for (char c : type) {
    if (c == '.') {
      if (lastWasDot) return false;
      lastWasDot = true;
    } else if (IsDigit(c)) {
      lastWasDot = false;
    } else {
      return false;
    }
  }
  return !lastWasDot;
}

DirStatus EntryNameToDn(const service::EntryName& name, std::string* dn) {
  std::string out;
  for (const auto& part : name) {
    if (!IsValidAttributeType(part.type)) return kErrBadName;
    if (!out.empty()) out.push_back(',');
    out += ToLowerAscii(part.type);
    out.push_back('=');
    out += EscapeDnValue(part.value);
  }
  *dn = std::move(out);
  return 0;
}

DirStatus DnToEntryName(std::string_view dn, service::EntryName* name) {
  service::EntryName out;
  if (!dn.empty()) {
    berval text{static_cast<ber_len_t>(dn.size()), const_cast<char*>(dn.data())};
    LDAPDN parsed = nullptr;
    if (ldap_bv2dn(&text, &parsed, LDAP_DN_FORMAT_LDAP) != LDAP_SUCCESS) return kErrBadName;
    std::unique_ptr<LDAPRDN, DnFree> owner(parsed);
    for (int i = 0; parsed != nullptr && parsed[i] != nullptr; ++i) {
      const LDAPAVA* ava = parsed[i][0];
      if (ava == nullptr) return kErrBadName;
      out.push_back({ToUpperAscii(std::string_view(ava->la_attr.bv_val, ava->la_attr.bv_len)),
                     std::string(ava->la_value.bv_val, ava->la_value.bv_len)});
    }
  }
  *name = std::move(out);
  return 0;
}

std::string DottedText(const service::EntryName& name) {
  std::string out;
  for (const auto& part : name) {
    if (!out.empty()) out.push_back('.');
    if (!part.type.empty()) {
      out += part.type;
      out.push_back('=');
    }
    for (char c : part.value) {
      if (c == '.' || c == '\\') out.push_back('\\');
      out.push_back(c);
    }
  }
  return out;
}

DirStatus ParseDottedText(std::string_view text, service::EntryName* name) {
  if (!text.empty() && text.front() == '.') text.remove_prefix(1);
  service::EntryName out;
  if (text.empty()) {
    *name = std::move(out);
    return 0;
  }
  std::string part;
  bool escaped = false;
  std::size_t typeEnd = std::string::npos;  // position of the first unescaped "=" in part
  auto finish = [&]() -> bool {
    if (typeEnd == std::string::npos) return false;
    out.push_back({ToUpperAscii(part.substr(0, typeEnd)), part.substr(typeEnd + 1)});
    part.clear();
    typeEnd = std::string::npos;
    return IsValidAttributeType(out.back().type);
  };
  for (char c : text) {
    if (escaped) {
      part.push_back(c);
      escaped = false;
    } else if (c == '\\') {
      escaped = true;
    } else if (c == '.') {
      if (!finish()) return kErrBadName;
    } else if (c == '=' && typeEnd == std::string::npos) {
      typeEnd = part.size();
      part.push_back(c);
    } else {
      part.push_back(c);
    }
  }
  if (escaped || !finish()) return kErrBadName;
  *name = std::move(out);
  return 0;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace recast::ldap
