#include "platform/ldap/LdapConfig.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ldap.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <system_error>

#include "platform/ldap/LdapNames.h"
#include "platform/ldap/LdapStatus.h"
#include "util/FileDescriptor.h"
#include "util/Format.h"

namespace recast::ldap {
namespace {

const std::string* Find(const service::ConnectionConfig& config, const char* key) {
  auto it = config.settings.find(key);
  return it == config.settings.end() ? nullptr : &it->second;
}

bool ParseYesNo(const std::string& text, bool* value) {
  const std::string v = LowerAscii(text);
  if (v == "yes" || v == "true" || v == "on" || v == "1") {
    *value = true;
    return true;
  }
  if (v == "no" || v == "false" || v == "off" || v == "0" || v.empty()) {
    *value = false;
    return true;
  }
  return false;
}

// An address that never leaves the machine. An empty host is the library's default, which its
// configuration may put anywhere.
bool IsLoopbackHost(std::string_view host) {
  if (TextEquals(host, "localhost") || host == "::1" || host == "[::1]") return true;
  in_addr address{};
  return inet_pton(AF_INET, std::string(host).c_str(), &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

}  // namespace

DirStatus ParseLdapSettings(const service::ConnectionConfig& config, LdapSettings* settings, std::string* diagnostic) {
  LdapSettings s;
  s.url = config.service;
  if (const auto* url = Find(config, "url"); url && !url->empty()) s.url = *url;
  if (s.url.empty()) {
    *diagnostic = "LDAP connection without URL";
    return kErrLdapBadConfiguration;
  }
  s.treeName = config.treeName;
  s.bindDn = config.login;
  if (const auto* v = Find(config, "binddn"); v && !v->empty()) s.bindDn = *v;
  if (const auto* v = Find(config, "base")) s.baseDn = *v;
  if (const auto* v = Find(config, "passwordfile")) s.passwordFile = *v;
  if (const auto* v = Find(config, "cafile")) s.caFile = *v;
  if (Find(config, "password") != nullptr) {
    *diagnostic = "passwords are not kept in the settings; name a password file with passwordfile";
    return kErrLdapBadConfiguration;
  }
  if (const auto* v = Find(config, "sasl"); v && !v->empty()) {
    if (!TextEquals(*v, "external")) {
      *diagnostic = Format("unsupported SASL mechanism \"%s\"", {*v});
      return kErrLdapBadConfiguration;
    }
    s.saslExternal = true;
  }
  struct YesNoKey {
    const char* key;
    bool* target;
  };
  for (const YesNoKey& item : {YesNoKey{"starttls", &s.startTls}, YesNoKey{"relaxrules", &s.relaxRules},
                               YesNoKey{"recreate", &s.safeRecreate}, YesNoKey{"followreferrals", &s.followReferrals},
                               YesNoKey{"allowplaintextpassword", &s.allowPlaintextPassword}}) {
    if (const auto* v = Find(config, item.key); v && !ParseYesNo(*v, item.target)) {
      *diagnostic = Format("%s must be yes or no, not \"%s\"", {item.key, *v});
      return kErrLdapBadConfiguration;
    }
  }
  if (const auto* v = Find(config, "timeout"); v && !v->empty()) {
    int seconds = 0;
    const auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), seconds);
    if (ec != std::errc() || end != v->data() + v->size() || seconds < 1 || seconds > 3600) {
      *diagnostic = Format("timeout must be 1 to 3600 seconds, not \"%s\"", {*v});
      return kErrLdapBadConfiguration;
    }
    s.timeoutSeconds = seconds;
  }
  if (!s.bindDn.empty() && !s.saslExternal && s.passwordFile.empty()) {
    *diagnostic = Format("no passwordfile for the login %s", {s.bindDn});
    return kErrLdapBadConfiguration;
  }
  s.dataFolder = config.dataFolder;
  *settings = std::move(s);
  return 0;
}

DirStatus CheckPasswordProtection(const LdapSettings& settings, std::string* diagnostic) {
  if (settings.bindDn.empty() || settings.saslExternal || settings.startTls || settings.allowPlaintextPassword) {
    return 0;
  }
  // The URL may be a list (blanks or commas between), as libldap takes it.
  bool protectedEverywhere = true;
  std::size_t start = 0;
  while (start < settings.url.size()) {
    std::size_t end = settings.url.find_first_of(" ,", start);
    if (end == std::string::npos) end = settings.url.size();
    const std::string one = settings.url.substr(start, end - start);
    start = end + 1;
    if (one.empty()) continue;
    LDAPURLDesc* url = nullptr;
    // A URL libldap cannot read fails the connection later, with its own message.
    if (ldap_url_parse(one.c_str(), &url) != LDAP_URL_SUCCESS || url == nullptr) return 0;
    const std::string scheme = LowerAscii(url->lud_scheme ? url->lud_scheme : "");
    const bool safe = scheme == "ldaps" || scheme == "ldapi" || IsLoopbackHost(url->lud_host ? url->lud_host : "");
    ldap_free_urldesc(url);
    if (!safe) protectedEverywhere = false;
  }
  if (protectedEverywhere) return 0;
  *diagnostic = Format(
      "the password of %s would go unencrypted to %s; use ldaps://, or set StartTls=yes, or, "
      "on a network you trust, AllowPlaintextPassword=yes in the connection's settings",
      {settings.bindDn, settings.url});
  return kErrLdapPlaintextPassword;
}

DirStatus ReadPasswordFile(const std::filesystem::path& path, std::string* password, std::string* diagnostic) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  struct stat info {};
  if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    const std::string reason = fd.get() < 0 ? std::generic_category().message(errno) : "not a regular file";
    *diagnostic = Format(
        "password file %s cannot be read (%s); put the password on its first line, readable by "
        "its owner only (chmod 600)",
        {path.string(), reason});
    return kErrLdapPasswordFileUnreadable;
  }
  if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    *diagnostic = Format("password file %s may be read by others; allow its owner only (chmod 600)", {path.string()});
    return kErrLdapPasswordFileExposed;
  }
  std::string content;
  char chunk[512];
  while (content.size() < 64 * 1024) {
    const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0) {
      *diagnostic = Format("password file %s cannot be read", {path.string()});
      return kErrLdapPasswordFileUnreadable;
    }
    if (n == 0) break;
    content.append(chunk, static_cast<std::size_t>(n));
  }
  const auto end = content.find_first_of("\r\n");
  if (end != std::string::npos) content.resize(end);
  *password = std::move(content);
  return 0;
}

}  // namespace recast::ldap
