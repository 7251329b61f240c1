#include "platform/ldap/Ldif.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "platform/ldap/LdapNames.h"
#include "util/TextHelpers.h"
#include "util/FileDescriptor.h"
#include "platform/ldap/LdapStatus.h"
#include "util/AtomicFile.h"
#include "util/Base64.h"
#include "util/Format.h"

namespace recast::ldap {
namespace {

bool IsSafeString(std::string_view value) {
  if (value.empty()) return true;
  const auto first = static_cast<unsigned char>(value.front());
  if (first == ' ' || first == ':' || first == '<') return false;
  if (value.back() == ' ') return false;
  for (char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == 0 || c == '\r' || c == '\n' || c > 127) return false;
  }
  return true;
}

void AppendLine(std::string* out, std::string_view name, std::string_view value) {
  *out += name;
  if (IsSafeString(value)) {
    *out += ": ";
    *out += value;
  } else {
    *out += ":: ";
    *out += Base64Encode(value);
  }
  out->push_back('\n');
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
  out += "changetype: modify\n";
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
  // Unfold: a line starting with one blank continues the previous one.
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    auto end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.front() == ' ' && !lines.empty()) {
      lines.back() += line.substr(1);
    } else if (line.empty()) {
      if (!lines.empty() && lines.size() > 1) break;  // end of the first record
    } else if (line.front() != '#') {
      lines.emplace_back(line);
    }
    if (end == text.size()) break;
    pos = end + 1;
  }
  LdifEntry out;
  bool haveDn = false;
  for (const auto& line : lines) {
    const auto colon = line.find(':');
    if (colon == std::string::npos || colon == 0) return kErrBadSyntax;
    const std::string name = line.substr(0, colon);
    std::string value;
    if (colon + 1 < line.size() && line[colon + 1] == ':') {
      if (!Base64Decode(std::string_view(line).substr(colon + 2), &value)) return kErrBadSyntax;
    } else {
      std::string_view rest = std::string_view(line).substr(colon + 1);
      while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
      value = std::string(rest);
    }
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

DirStatus SaveLdifBackup(const std::filesystem::path& folder, const LdifEntry& entry,
                         std::filesystem::path* path, std::string* diagnostic) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec || ::chmod(folder.c_str(), 0700) != 0) {
    *diagnostic = Format("cannot create the backup folder %s", {folder.string()});
    return kErrLdapBackupFailed;
  }
  // The name only needs to be new; NoReplace guarantees no backup is overwritten.
  const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::system_clock::now().time_since_epoch()).count();
  const std::string text = WriteLdif(entry);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate =
        folder / Format("entry-%u-%u-%u.ldif", {static_cast<std::uint32_t>(now / 1000),
                                                static_cast<std::uint32_t>(now % 1000), attempt});
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
