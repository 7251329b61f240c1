#include "platform/ldap/Ldif.h"

#include <fcntl.h>
#include <ldap.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>  // before ldif.h, which uses FILE
#include <cstring>

#include <ldif.h>

#include "platform/ldap/LdapHandles.h"
#include "platform/ldap/LdapNames.h"
#include "platform/ldap/LdapStatus.h"
#include "util/AtomicFile.h"
#include "util/FileDescriptor.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast::ldap {
namespace {

// One "name: value" line; libldap picks base64 for a value that is not a safe string (and
// for a password). Never folded, so that each value stays on one line.
void AppendLine(std::string* out, std::string_view name, std::string_view value) {
  const std::string type(name);
  const std::size_t start = out->size();
  out->resize(start + LDIF_SIZE_NEEDED_WRAP(type.size(), value.size(), LDIF_LINE_WIDTH_MAX) + 1);
  char* end = out->data() + start;
  ldif_sput_wrap(&end, LDIF_PUT_VALUE, type.c_str(), value.data(), value.size(), LDIF_LINE_WIDTH_MAX);
  out->resize(static_cast<std::size_t>(end - out->data()));
}

// Reads the "name: value" lines of one record from *next on (libldap unfolds and decodes
// them). False when a line is not one; a value taken from a URL ("name:< file:...") is
// refused before anything is opened.
bool ReadRecord(char** next, std::vector<std::pair<std::string, std::string>>* lines) {
  while (char* line = ldif_getline(next)) {
    if (*line == '\0') break;  // a blank line ended with CR LF
    const char* colon = std::strchr(line, ':');
    if (colon == nullptr || colon[1] == '<') return false;
    berval type{0, nullptr};
    berval value{0, nullptr};
    int freeValue = 0;
    if (ldif_parse_line2(line, &type, &value, &freeValue) != 0) return false;
    const BerText owner(freeValue ? value.bv_val : nullptr);
    // The type as a C string: libldap blanks out spaces before the colon but counts them.
    std::string name(type.bv_val);
    // Only a real attribute description: anything else (a "#..." one would read back as a
    // comment) could not be written back as it was read.
    if (!IsAttributeDescription(name)) return false;
    lines->emplace_back(std::move(name), std::string(value.bv_val, value.bv_len));
  }
  return true;
}

}  // namespace

std::string WriteLdif(const LdifEntry& entry) {
  std::string out = "version: 1\n";
  AppendLine(&out, "dn", entry.dn);
  for (const auto& [name, values] : entry.attributes) {
    for (const auto& value : values) AppendLine(&out, name, value);
  }
  return out;
}

std::string WriteLdifRestoreRecord(const LdifEntry& entry) {
  std::string out;
  AppendLine(&out, "dn", entry.dn);
  AppendLine(&out, "changetype", "modify");
  const auto part = [&out](std::string_view op, const std::string& name, const std::vector<std::string>& values) {
    AppendLine(&out, op, name);
    for (const auto& value : values) AppendLine(&out, name, value);
    out += "-\n";
  };
  for (const auto& [name, values] : entry.attributes) {
    if (!values.empty() && TextEquals(name, "objectClass")) part("replace", name, values);
  }
  for (const auto& [name, values] : entry.attributes) {
    if (!values.empty() && !TextEquals(name, "objectClass")) part("add", name, values);
  }
  return out;
}

DirStatus ParseLdif(std::string_view text, LdifEntry* entry) {
  // libldap reads its configuration (its debug level among it) when its options are first
  // asked for; until then its LDIF reader writes every error to stderr.
  static const bool configured = [] {
    int level = 0;
    return ldap_get_option(nullptr, LDAP_OPT_DEBUG_LEVEL, &level) == LDAP_OPT_SUCCESS;
  }();
  (void)configured;
  // libldap reads C strings, in place.
  if (text.find('\0') != std::string_view::npos) return kErrBadSyntax;
  std::string buffer(text);
  char* next = buffer.data();
  std::vector<std::pair<std::string, std::string>> lines;
  // The record ends at the first blank line after its second line: blank lines before it,
  // or after a record of a single line (a version line), are skipped.
  while (next != nullptr && lines.size() < 2) {
    while (*next == '\n' || (next[0] == '\r' && next[1] == '\n')) next += *next == '\n' ? 1 : 2;
    if (*next == '\0') break;
    if (!ReadRecord(&next, &lines)) return kErrBadSyntax;
  }
  LdifEntry out;
  bool haveDn = false;
  for (auto& [name, value] : lines) {
    if (name == "version" && !haveDn) continue;
    if (name == "dn") {
      if (haveDn) return kErrBadSyntax;
      out.dn = std::move(value);
      haveDn = true;
      continue;
    }
    if (!haveDn) return kErrBadSyntax;
    if (!out.attributes.empty() && out.attributes.back().first == name) {
      out.attributes.back().second.push_back(std::move(value));
    } else {
      out.attributes.push_back({name, {std::move(value)}});
    }
  }
  if (!haveDn) return kErrBadSyntax;
  *entry = std::move(out);
  return 0;
}

DirStatus SaveLdifBackup(const std::filesystem::path& folder, const LdifEntry& entry, std::filesystem::path* path,
                         std::string* diagnostic) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec || ::chmod(folder.c_str(), 0700) != 0) {
    *diagnostic = Format("cannot create the backup folder %s", {folder.string()});
    return kErrLdapBackupFailed;
  }
  // The name only needs to be new; NoReplace guarantees no backup is overwritten.
  const auto now =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  const std::string text = WriteLdif(entry);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate =
        folder / Format("entry-%u-%u-%u.ldif",
                        {static_cast<std::uint32_t>(now / 1000), static_cast<std::uint32_t>(now % 1000), attempt});
    const FileWriteResult written = WriteFileAtomically(candidate, text, ExistingFile::NoReplace, 0600);
    if (written.status == FileWriteStatus::Exists) continue;
    if (!written.ok()) break;
    *path = candidate;
    return 0;
  }
  *diagnostic = Format("cannot write a backup of %s into %s", {entry.dn, folder.string()});
  return kErrLdapBackupFailed;
}

DirStatus LoadLdifBackup(const std::filesystem::path& path, LdifEntry* entry) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return kErrLdapRestoreFailed;
  std::string text;
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0) return kErrLdapRestoreFailed;
    if (n == 0) break;
    text.append(chunk, static_cast<std::size_t>(n));
  }
  return ParseLdif(text, entry) == 0 ? 0 : kErrLdapRestoreFailed;
}

}  // namespace recast::ldap
