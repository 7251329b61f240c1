#include "platform/ldap/LdapNames.h"

#include <ldap.h>

#include <algorithm>
#include <new>

#include "platform/ldap/LdapHandles.h"

namespace recast::ldap {
namespace {

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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

// Values of letters, digits and "-._" (spaces inside) need no escape in any DN form: written
// and read as they are, they give what libldap would, without its structures (a name per
// entry listed or read).
bool IsPlainRdnValue(std::string_view value) {
  if (value.empty() || value.front() == ' ' || value.back() == ' ') return false;
  return std::all_of(value.begin(), value.end(),
                     [](char c) { return IsAlpha(c) || IsDigit(c) || c == '-' || c == '.' || c == '_' || c == ' '; });
}

bool IsPlainRdn(std::string_view type, std::string_view value) {
  return IsPlainRdnValue(value) && IsValidAttributeType(type);
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
  if (value.empty()) return {};
  berval in{static_cast<ber_len_t>(value.size()), const_cast<char*>(value.data())};
  berval out{0, nullptr};
  // Allocation is the only way it fails.
  if (ldap_bv2escaped_filter_value(&in, &out) != 0) throw std::bad_alloc();
  const BerText owner(out.bv_val);
  return std::string(out.bv_val, out.bv_len);
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

bool IsAttributeDescription(std::string_view description) {
  const std::size_t semicolon = description.find(';');
  if (!IsValidAttributeType(description.substr(0, semicolon))) return false;
  for (std::size_t at = semicolon; at != std::string_view::npos;) {
    const std::size_t next = description.find(';', at + 1);
    const std::string_view option = description.substr(at + 1, next == std::string_view::npos ? next : next - at - 1);
    if (option.empty()) return false;
    for (char c : option) {
      if (!IsAlpha(c) && !IsDigit(c) && c != '-') return false;
    }
    at = next;
  }
  return true;
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

bool AppendPlainRdn(const service::NamePart& part, std::string* dn) {
  if (!IsPlainRdn(part.type, part.value)) return false;
  dn->append(LowerAscii(part.type));
  dn->push_back('=');
  dn->append(part.value);
  return true;
}

DirStatus EntryNameToDn(const service::EntryName& name, std::string* dn) {
  if (name.empty()) {
    dn->clear();
    return 0;
  }
  std::string joined;
  bool plain = true;
  for (std::size_t i = 0; i < name.size() && plain; ++i) {
    if (i > 0) joined += ',';
    plain = AppendPlainRdn(name[i], &joined);
  }
  if (plain) {
    *dn = std::move(joined);
    return 0;
  }
  // libldap writes the DN from its own structures, which point into these.
  std::vector<std::vector<RdnValue>> values;
  values.reserve(name.size());
  std::size_t avaCount = 0;
  for (const auto& part : name) {
    values.push_back(SplitRdnValues(part));
    for (RdnValue& value : values.back()) {
      if (!IsValidAttributeType(value.type)) return kErrBadName;
      value.type = LowerAscii(value.type);
    }
    avaCount += values.back().size();
  }
  std::vector<LDAPAVA> avas(avaCount);
  std::vector<std::vector<LDAPAVA*>> rdns;  // each ended by a null, as libldap reads them
  rdns.reserve(values.size());
  std::vector<LDAPRDN> parts;
  std::size_t next = 0;
  for (auto& rdn : values) {
    auto& list = rdns.emplace_back();
    for (RdnValue& value : rdn) {
      LDAPAVA& ava = avas[next++];
      ava.la_attr = {static_cast<ber_len_t>(value.type.size()), value.type.data()};
      ava.la_value = {static_cast<ber_len_t>(value.value.size()), value.value.data()};
      ava.la_flags = LDAP_AVA_STRING;
      list.push_back(&ava);
    }
    list.push_back(nullptr);
    parts.push_back(list.data());
  }
  parts.push_back(nullptr);
  char* raw = nullptr;
  // Pretty: UTF-8 stays as it is, specials are hex-escaped; a value that is not UTF-8 fails.
  if (ldap_dn2str(parts.data(), &raw, LDAP_DN_FORMAT_LDAPV3 | LDAP_DN_PRETTY) != LDAP_SUCCESS) return kErrBadName;
  const LdapText owner(raw);
  *dn = raw;
  return 0;
}

DirStatus DnToEntryName(std::string_view dn, service::EntryName* name) {
  service::EntryName out;
  if (!dn.empty()) {
    // libldap's DN parser can read past the length it is given (after a broken UTF-8
    // sequence) up to a NUL: a std::string has one.
    std::string copy(dn);
    berval text{static_cast<ber_len_t>(copy.size()), copy.data()};
    LDAPDN parsed = nullptr;
    if (ldap_bv2dn(&text, &parsed, LDAP_DN_FORMAT_LDAP) != LDAP_SUCCESS) return kErrBadName;
    const DnPtr owner(parsed);
    for (int i = 0; parsed != nullptr && parsed[i] != nullptr; ++i) {
      if (parsed[i][0] == nullptr) return kErrBadName;
      out.push_back(RdnPart(parsed[i]));
    }
  }
  *name = std::move(out);
  return 0;
}

DirStatus FirstRdnOfDn(std::string_view dn, service::NamePart* part) {
  const std::size_t eq = dn.find('=');
  if (eq != std::string_view::npos) {
    const std::size_t end = dn.find(',', eq);
    const std::string_view type = dn.substr(0, eq);
    const std::string_view value = dn.substr(eq + 1, end == std::string_view::npos ? end : end - eq - 1);
    if (IsPlainRdn(type, value)) {
      part->type = UpperAscii(type);
      part->value.assign(value);
      return 0;
    }
  }
  std::string copy(dn);  // NUL-ended, as in DnToEntryName
  berval text{static_cast<ber_len_t>(copy.size()), copy.data()};
  LDAPRDN rdn = nullptr;
  char* next = nullptr;
  if (dn.empty() || ldap_bv2rdn(&text, &rdn, &next, LDAP_DN_FORMAT_LDAP) != LDAP_SUCCESS) return kErrBadName;
  const RdnPtr owner(rdn);
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
