#pragma once
// Owners of the things libldap hands out.

#include <ldap.h>

#include <memory>
#include <string>

namespace recast::ldap {

struct MessageFree {
  void operator()(LDAPMessage* m) const { ldap_msgfree(m); }
};
using MessagePtr = std::unique_ptr<LDAPMessage, MessageFree>;

struct ValuesFree {
  void operator()(berval** v) const { ldap_value_free_len(v); }
};
using ValuesPtr = std::unique_ptr<berval*, ValuesFree>;

struct MemFree {
  void operator()(void* p) const { ldap_memfree(p); }
};
using LdapText = std::unique_ptr<char, MemFree>;

// What liblber allocates for its callers (escaped filter values, LDIF values read from a URL,
// the value arrays of ldap_get_attribute_ber).
struct BerMemFree {
  void operator()(void* p) const { ber_memfree(p); }
};
using BerText = std::unique_ptr<char, BerMemFree>;

struct DnFree {
  void operator()(LDAPDN dn) const { ldap_dnfree(dn); }
};
using DnPtr = std::unique_ptr<LDAPRDN, DnFree>;

struct RdnFree {
  void operator()(LDAPRDN rdn) const { ldap_rdnfree(rdn); }
};
using RdnPtr = std::unique_ptr<LDAPAVA*, RdnFree>;

struct BerFree {
  void operator()(BerElement* b) const { ber_free(b, 0); }
};
using BerPtr = std::unique_ptr<BerElement, BerFree>;

struct ControlFree {
  void operator()(LDAPControl* c) const { ldap_control_free(c); }
};
using ControlPtr = std::unique_ptr<LDAPControl, ControlFree>;

struct ControlsFree {
  void operator()(LDAPControl** c) const { ldap_controls_free(c); }
};
using ControlsPtr = std::unique_ptr<LDAPControl*, ControlsFree>;

struct BervalFree {
  void operator()(berval* b) const { ber_bvfree(b); }
};
using BervalPtr = std::unique_ptr<berval, BervalFree>;

// The DN of a search result entry; empty when it has none.
inline std::string EntryDn(LDAP* ld, LDAPMessage* entry) {
  LdapText dn(ldap_get_dn(ld, entry));
  return dn ? std::string(dn.get()) : std::string();
}

}  // namespace recast::ldap
