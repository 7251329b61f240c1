#pragma once
// Marks of re-creations in progress. Before a re-create deletes an entry, its backup is marked
// pending: a file beside it ("<backup>.pending") that holds the server's URL, flushed to disk
// with its folder. The mark goes once the entry is on the server again. A mark left behind
// means the program died in between; the next connection to that server finds it.
//
// Whoever holds a mark holds its lock (flock), so a second program never puts back an entry
// whose re-creation is still running; a program that dies releases it.

#include <filesystem>
#include <string>
#include <vector>

#include "directory/DirectoryClient.h"
#include "util/FileDescriptor.h"

namespace recast::ldap {

class PendingMark {
 public:
  // Marks backup pending for url and holds the mark. kErrLdapBackupFailed (nothing marked,
  // *diagnostic says why) when the mark cannot be written and flushed.
  static DirStatus Create(const std::filesystem::path& backup, const std::string& url, PendingMark* mark,
                          std::string* diagnostic);
  // The marks in folder for url that nobody else holds, each held for the caller.
  static std::vector<PendingMark> Claim(const std::filesystem::path& folder, const std::string& url);

  const std::filesystem::path& backup() const { return backup_; }
  const std::filesystem::path& path() const { return mark_; }
  // The entry is back: removes the mark (flushed with its folder). Dropping a mark without
  // Done leaves it pending.
  void Done();

 private:
  std::filesystem::path backup_;
  std::filesystem::path mark_;
  FileDescriptor lock_;
};

}  // namespace recast::ldap
