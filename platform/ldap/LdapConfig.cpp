#include "platform/ldap/LdapConfig.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>

#include "platform/ldap/LdapNames.h"
#include "platform/ldap/LdapStatus.h"
#include "util/Format.h"

namespace recast::ldap {
namespace {

const std::string* Find(const service::ConnectionConfig& config, const char* key) {
  auto it = config.settings.find(key);
  return it == config.settings.end() ? nullptr : &it->second;
}

bool ParseYesNo(const std::string& text, bool* value) {
  const std::string v = ToLowerAscii(text);
  if (v == "yes" || v == "true" || v == "on" || v == "1") { *value = true; return true; }
  if (v == "no" || v == "false" || v == "off" || v == "0" || v.empty()) { *value = false; return true; }
  return false;
}

// Closes the descriptor on every path.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { if (fd_ >= 0) ::close(fd_); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
 private:
  int fd_;
};

}  // namespace

DirStatus ParseLdapSettings(const service::ConnectionConfig& config, LdapSettings* settings,
                            std::string* diagnostic) {
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
    if (!EqualsIgnoreCase(*v, "external")) {
      *diagnostic = Format("unsupported SASL mechanism \"%s\"", {*v});
      return kErrLdapBadConfiguration;
    }
    s.saslExternal = true;
  }
  struct YesNoKey { const char* key; bool* target; };
  for (const YesNoKey& item : {YesNoKey{"starttls", &s.startTls}, YesNoKey{"relaxrules", &s.relaxRules},
                               YesNoKey{"recreate", &s.safeRecreate}}) {
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

DirStatus ReadPasswordFile(const std::filesystem::path& path, std::string* password, std::string* diagnostic) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  struct stat info {};
  if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    *diagnostic = Format("password file %s cannot be read", {path.string()});
    return kErrLdapPasswordFileUnreadable;
  }
  if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    *diagnostic = Format("password file %s may be read by others; allow its owner only (chmod 600)",
                         {path.string()});
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
