#include "platform/ldap/LdapSearch.h"

#include "platform/ldap/LdapHandles.h"
#include "platform/ldap/LdapNames.h"
#include "platform/ldap/Ldif.h"

namespace recast::ldap {

std::string HexEncode(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    out.push_back("0123456789ABCDEF"[c >> 4]);
    out.push_back("0123456789ABCDEF"[c & 15]);
  }
  return out;
}

bool HexDecode(std::string_view text, std::string* bytes) {
  if (text.size() % 2) return false;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<char>(hi * 16 + lo));
  }
  *bytes = std::move(out);
  return true;
}

LdifEntry ToLdifEntry(LDAP* ld, LDAPMessage* entry) {
  // One pass over the entry's encoding, reading each element in place (ldap_get_attribute_ber
  // would make an array of every attribute's values first). After the DN, ldap_get_dn_ber
  // leaves the reader inside the attribute list:
  //   attribute ::= SEQUENCE { type OCTET STRING, values SET OF OCTET STRING }
  // one after another; the list is the last element of the entry, so the first element that
  // is not a SEQUENCE (controls, or the end) ends it.
  LdifEntry out;
  BerElement* rawBer = nullptr;
  berval dn{0, nullptr};
  const int rc = ldap_get_dn_ber(ld, entry, &rawBer, &dn);
  BerPtr ber(rawBer);
  if (rc != LDAP_SUCCESS) return out;
  out.dn.assign(dn.bv_val, dn.bv_len);
  out.attributes.reserve(16);  // more than most entries have: no regrowth
  ber_len_t length = 0;
  std::vector<std::string_view> values;  // one attribute's, then copied at their exact number
  while (ber_peek_tag(ber.get(), &length) == LBER_SEQUENCE) {
    berval type{0, nullptr};
    if (ber_skip_tag(ber.get(), &length) != LBER_SEQUENCE || ber_skip_element(ber.get(), &type) != LBER_OCTETSTRING) {
      break;
    }
    values.clear();
    char* last = nullptr;
    bool whole = true;
    for (ber_tag_t tag = ber_first_element(ber.get(), &length, &last); tag != LBER_DEFAULT;
         tag = ber_next_element(ber.get(), &length, last)) {
      berval value{0, nullptr};
      if (ber_skip_element(ber.get(), &value) != LBER_OCTETSTRING) {
        whole = false;
        break;
      }
      values.emplace_back(value.bv_val, value.bv_len);
    }
    if (!whole) break;  // a damaged attribute ends the entry, as libldap's own reader does
    out.attributes.emplace_back(std::string(type.bv_val, type.bv_len),
                                std::vector<std::string>(values.begin(), values.end()));
  }
  return out;
}

void SetDeref(LDAP* ld, bool deref) {
  const int value = deref ? LDAP_DEREF_FINDING | LDAP_DEREF_SEARCHING : LDAP_DEREF_NEVER;
  ldap_set_option(ld, LDAP_OPT_DEREF, &value);
}

std::vector<std::string> Values(LDAP* ld, LDAPMessage* entry, const char* attr) {
  std::vector<std::string> out;
  ValuesPtr values(ldap_get_values_len(ld, entry, attr));
  for (berval** v = values.get(); v && *v; ++v) out.emplace_back((*v)->bv_val, (*v)->bv_len);
  return out;
}

bool IsBelow(const service::EntryName& name, const service::EntryName& suffix) {
  if (name.size() <= suffix.size()) return false;
  const std::size_t offset = name.size() - suffix.size();
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    if (!TextEquals(name[offset + i].type, suffix[i].type) || !TextEquals(name[offset + i].value, suffix[i].value)) {
      return false;
    }
  }
  return true;
}

namespace {

// The result code of a page's answer, and the cookie for the page after it (empty: none).
int ParsePage(LDAP* ld, LDAPMessage* raw, std::string* cookie) {
  LDAPControl** rawResponse = nullptr;
  int code = LDAP_SUCCESS;
  const int rc = ldap_parse_result(ld, raw, &code, nullptr, nullptr, nullptr, &rawResponse, 0);
  ControlsPtr response(rawResponse);
  if (rc != LDAP_SUCCESS) return rc;
  if (code != LDAP_SUCCESS) return code;
  cookie->clear();
  if (LDAPControl* paged = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, rawResponse, nullptr)) {
    ber_int_t estimate = 0;
    berval next{};
    if (ldap_parse_pageresponse_control(ld, paged, &estimate, &next) == LDAP_SUCCESS && next.bv_val) {
      cookie->assign(next.bv_val, next.bv_len);
      ber_memfree(next.bv_val);
    }
  }
  return LDAP_SUCCESS;
}

}  // namespace

int SendPage(LDAP* ld, const std::string& base, int scope, const std::string& filter, const char* const* attrs,
             int pageSize, const std::string& cookie, int* msgid) {
  std::string cookieBytes = cookie;
  berval cookieValue{static_cast<ber_len_t>(cookieBytes.size()), cookieBytes.data()};
  LDAPControl* rawControl = nullptr;
  int rc = ldap_create_page_control(ld, pageSize, cookieBytes.empty() ? nullptr : &cookieValue, 1, &rawControl);
  if (rc != LDAP_SUCCESS) return rc;
  ControlPtr control(rawControl);
  LDAPControl* controls[] = {rawControl, nullptr};
  return ldap_search_ext(ld, base.c_str(), scope, filter.c_str(), const_cast<char**>(attrs), 0, controls, nullptr,
                         nullptr, 0, msgid);
}

int AwaitAnswer(LDAP* ld, int msgid, int timeoutSeconds, MessagePtr* out) {
  timeval timeout{timeoutSeconds, 0};
  LDAPMessage* raw = nullptr;
  const int got = ldap_result(ld, msgid, LDAP_MSG_ALL, &timeout, &raw);
  MessagePtr result(raw);
  if (got == 0) {
    ldap_abandon_ext(ld, msgid, nullptr, nullptr);
    return LDAP_TIMEOUT;
  }
  if (got < 0) {
    int error = LDAP_OTHER;
    ldap_get_option(ld, LDAP_OPT_RESULT_CODE, &error);
    return error;
  }
  *out = std::move(result);
  return LDAP_SUCCESS;
}

int CollectPage(LDAP* ld, int msgid, int timeoutSeconds, std::string* cookie, MessagePtr* out) {
  MessagePtr result;
  if (const int rc = AwaitAnswer(ld, msgid, timeoutSeconds, &result); rc != LDAP_SUCCESS) return rc;
  if (const int rc = ParsePage(ld, result.get(), cookie); rc != LDAP_SUCCESS) return rc;
  *out = std::move(result);
  return LDAP_SUCCESS;
}

bool PollPage(LDAP* ld, int msgid, MessagePtr* ready) {
  timeval now{0, 0};
  LDAPMessage* raw = nullptr;
  if (ldap_result(ld, msgid, LDAP_MSG_ALL, &now, &raw) <= 0) return false;
  *ready = MessagePtr(raw);
  return true;
}

int CollectPage(LDAP* ld, MessagePtr ready, std::string* cookie, MessagePtr* out) {
  if (const int rc = ParsePage(ld, ready.get(), cookie); rc != LDAP_SUCCESS) return rc;
  *out = std::move(ready);
  return LDAP_SUCCESS;
}

int SearchPage(LDAP* ld, const std::string& base, int scope, const std::string& filter, const char* const* attrs,
               int pageSize, std::string* cookie, MessagePtr* out) {
  berval cookieValue{static_cast<ber_len_t>(cookie->size()), cookie->data()};
  LDAPControl* rawControl = nullptr;
  int rc = ldap_create_page_control(ld, pageSize, cookie->empty() ? nullptr : &cookieValue, 1, &rawControl);
  if (rc != LDAP_SUCCESS) return rc;
  ControlPtr control(rawControl);
  LDAPControl* controls[] = {rawControl, nullptr};
  LDAPMessage* raw = nullptr;
  rc = ldap_search_ext_s(ld, base.c_str(), scope, filter.c_str(), const_cast<char**>(attrs), 0, controls, nullptr,
                         nullptr, 0, &raw);
  MessagePtr result(raw);
  if (rc != LDAP_SUCCESS) return rc;
  if (rc = ParsePage(ld, raw, cookie); rc != LDAP_SUCCESS) return rc;
  *out = std::move(result);
  return LDAP_SUCCESS;
}

int AddEntry(LDAP* ld, LdifEntry& entry) {
  std::vector<std::vector<berval>> values(entry.attributes.size());
  std::vector<std::vector<berval*>> pointers(entry.attributes.size());
  std::vector<LDAPMod> mods(entry.attributes.size());
  std::vector<LDAPMod*> modPointers;
  for (std::size_t i = 0; i < entry.attributes.size(); ++i) {
    for (auto& v : entry.attributes[i].second) values[i].push_back({static_cast<ber_len_t>(v.size()), v.data()});
    for (auto& b : values[i]) pointers[i].push_back(&b);
    pointers[i].push_back(nullptr);
    mods[i].mod_op = LDAP_MOD_ADD | LDAP_MOD_BVALUES;
    mods[i].mod_type = entry.attributes[i].first.data();
    mods[i].mod_bvalues = pointers[i].data();
    modPointers.push_back(&mods[i]);
  }
  modPointers.push_back(nullptr);
  return ldap_add_ext_s(ld, entry.dn.c_str(), modPointers.data(), nullptr, nullptr);
}

}  // namespace recast::ldap
