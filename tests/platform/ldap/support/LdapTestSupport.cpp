#include "tests/platform/ldap/support/LdapTestSupport.h"

#include <ldap.h>
#include <sys/stat.h>

#include <algorithm>

#include <fstream>

#include "platform/client/DirectoryClientFactory.h"
#include "platform/ldap/LdapConnection.h"
#include "platform/ldap/LdapHandles.h"

namespace recast::ldap::testing {

service::ConnectionConfig MakeConfig(const TestServer& server, const Login& login,
                                     const std::filesystem::path& dataFolder) {
  service::ConnectionConfig config;
  config.treeName = "TEST_TREE";
  config.service = server.Url();
  config.login = login.dn;
  if (!login.dn.empty()) {
    config.settings["passwordfile"] =
        server.PasswordFile("password-" + std::to_string(std::hash<std::string>()(login.dn)), kPassword, 0600).string();
  }
  for (const auto& [key, value] : login.settings) config.settings[key] = value;
  config.dataFolder = dataFolder.empty() ? server.Directory() / "data" : dataFolder;
  return config;
}

std::unique_ptr<DirectoryClient> MakeClient(const TestServer& server, const std::string& tree,
                                            const std::string& loginDn, const std::string& extraKeys) {
  const auto folder = server.Directory();
  std::ofstream(folder / "connections.ini")
      << "[Ldap]\nTree=" << tree << "\nService=" << server.Url() << "\nLogin=" << loginDn
      << "\nPasswordFile=" << server.PasswordFile("client-password", kPassword, 0600).string() << "\n"
      << extraKeys;
  client::ClientOptions options;
  options.configFile = folder / "connections.ini";
  options.dataFolder = folder / "data";
  options.openers[std::string(client::kLdapServiceKind)] = OpenLdapService;
  return client::CreateDirectoryClient(options);
}

std::unique_ptr<LdapService> OpenService(const TestServer& server, const Login& login, DirStatus* status,
                                         const std::filesystem::path& dataFolder) {
  LdapSettings settings;
  std::string diagnostic;
  *status = ParseLdapSettings(MakeConfig(server, login, dataFolder), &settings, &diagnostic);
  std::unique_ptr<LdapService> service;
  if (*status == 0) *status = LdapService::Open(settings, &service, &diagnostic);
  return service;
}

LdifEntry RawEntry(const TestServer& server, const std::string& dn, bool operational) {
  LdapSettings settings;
  settings.url = server.Url();
  settings.bindDn = server.RootDn();
  settings.passwordFile = server.PasswordFile("root-password", server.RootPassword(), 0600);
  std::unique_ptr<LdapConnection> connection;
  std::string diagnostic;
  LdifEntry out;
  if (LdapConnection::Open(settings, &connection, &diagnostic) != 0) return out;
  LDAP* ld = connection->get();
  const char* attrs[] = {LDAP_ALL_USER_ATTRIBUTES, operational ? LDAP_ALL_OPERATIONAL_ATTRIBUTES : nullptr, nullptr};
  LDAPMessage* raw = nullptr;
  const int rc = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(attrs), 0,
                                   nullptr, nullptr, nullptr, 0, &raw);
  MessagePtr result(raw);
  LDAPMessage* entry = rc == LDAP_SUCCESS ? ldap_first_entry(ld, raw) : nullptr;
  if (!entry) return out;
  out.dn = EntryDn(ld, entry);
  BerElement* ber = nullptr;
  for (char* attr = ldap_first_attribute(ld, entry, &ber); attr; attr = ldap_next_attribute(ld, entry, ber)) {
    LdapText owned(attr);
    std::vector<std::string> values;
    ValuesPtr vals(ldap_get_values_len(ld, entry, attr));
    for (berval** v = vals.get(); v && *v; ++v) values.emplace_back((*v)->bv_val, (*v)->bv_len);
    out.attributes.push_back({attr, values});
  }
  BerPtr owner(ber);
  std::sort(out.attributes.begin(), out.attributes.end());
  return out;
}

service::EntryName Name(std::initializer_list<std::pair<const char*, const char*>> parts) {
  service::EntryName name;
  for (const auto& [type, value] : parts) name.push_back({type, value});
  return name;
}

}  // namespace recast::ldap::testing
