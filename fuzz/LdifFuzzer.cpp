// Reads arbitrary bytes as an LDIF record and as a DN: reading never fails badly, and what
// was read, written back, reads the same.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ldap/LdapNames.h"
#include "platform/ldap/Ldif.h"

using namespace recast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ldap::LdifEntry entry;
  if (ldap::ParseLdif(text, &entry) == 0) {
    ldap::LdifEntry back;
    if (ldap::ParseLdif(ldap::WriteLdif(entry), &back) != 0 || !(back == entry)) __builtin_trap();
    if (ldap::WriteLdifRestoreRecord(entry).compare(0, 3, "dn:") != 0) __builtin_trap();
  }
  service::EntryName name;
  std::string dn;
  if (ldap::DnToEntryName(text, &name) == 0 && ldap::EntryNameToDn(name, &dn) == 0) {
    service::EntryName back;
    if (ldap::DnToEntryName(dn, &back) != 0 || back != name) __builtin_trap();
  }
  return 0;
}
