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
struct RdnFree {
  void operator()(LDAPRDN rdn) const { ldap_rdnfree(rdn); }
};

// True when text at pos starts "TYPE=": where "+" would begin another value of an RDN.
bool StartsRdnValue(std::string_view text, std::size_t pos) {
  const std::size_t eq = text.find('=', pos);
  return eq != std::string_view::npos && IsValidAttributeType(text.substr(pos, eq - pos));
}

// Whether a value must be written escaped (and a part's value is read escaped).
bool NeedsRdnEscapes(std::string_view text) {
  if (text.find("\\+") != std::string_view::npos) return true;
  for (std::size_t i = text.find('+'); i != std::string_view::npos; i = text.find('+', i + 1)) {
    if (StartsRdnValue(text, i + 1)) return true;
  }
  return false;
}

void AppendRdnEscaped(std::string* out, std::string_view value) {
  for (char c : value) {
    if (c == '\\' || c == '+') out->push_back('\\');
    out->push_back(c);
  }
}

service::NamePart RdnPart(LDAPRDN rdn) {
  std::vector<RdnValue> values;
  for (int i = 0; rdn[i] != nullptr; ++i) {
    values.push_back({UpperAscii(std::string_view(rdn[i]->la_attr.bv_val, rdn[i]->la_attr.bv_len)),
                      std::string(rdn[i]->la_value.bv_val, rdn[i]->la_value.bv_len)});
  }
  return JoinRdnValues(values);
}

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

service::NamePart JoinRdnValues(const std::vector<RdnValue>& values) {
  service::NamePart part;
  if (values.empty()) return part;
  part.type = values.front().type;
  if (values.size() == 1 && !NeedsRdnEscapes(values.front().value)) {
    part.value = values.front().value;
    return part;
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) part.value += "+" + UpperAscii(values[i].type) + "=";
    AppendRdnEscaped(&part.value, values[i].value);
  }
  return part;
}

std::vector<RdnValue> SplitRdnValues(const service::NamePart& part) {
  const std::string_view text = part.value;
  if (!NeedsRdnEscapes(text)) return {{part.type, part.value}};
  std::vector<RdnValue> values{{part.type, {}}};
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      values.back().value.push_back(text[++i]);
    } else if (text[i] == '+' && StartsRdnValue(text, i + 1)) {
      const std::size_t eq = text.find('=', i + 1);
      values.push_back({std::string(text.substr(i + 1, eq - i - 1)), {}});
      i = eq;
    } else {
      values.back().value.push_back(text[i]);
    }
  }
  return values;
}

DirStatus EntryNameToDn(const service::EntryName& name, std::string* dn) {
  std::string out;
  for (const auto& part : name) {
    if (!out.empty()) out.push_back(',');
    bool first = true;
    for (const RdnValue& value : SplitRdnValues(part)) {
      if (!IsValidAttributeType(value.type)) return kErrBadName;
      if (!first) out.push_back('+');
      first = false;
      out += LowerAscii(value.type);
      out.push_back('=');
      out += EscapeDnValue(value.value);
    }
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
      if (parsed[i][0] == nullptr) return kErrBadName;
      out.push_back(RdnPart(parsed[i]));
    }
  }
  *name = std::move(out);
  return 0;
}

DirStatus FirstRdnOfDn(std::string_view dn, service::NamePart* part) {
  berval text{static_cast<ber_len_t>(dn.size()), const_cast<char*>(dn.data())};
  LDAPRDN rdn = nullptr;
  char* next = nullptr;
  if (dn.empty() || ldap_bv2rdn(&text, &rdn, &next, LDAP_DN_FORMAT_LDAP) != LDAP_SUCCESS) return kErrBadName;
  std::unique_ptr<LDAPAVA*, RdnFree> owner(rdn);
  if (rdn == nullptr || rdn[0] == nullptr) return kErrBadName;
  *part = RdnPart(rdn);
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
    out.push_back({UpperAscii(part.substr(0, typeEnd)), part.substr(typeEnd + 1)});
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

}  // namespace recast::ldap
