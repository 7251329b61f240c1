#pragma once
// The one way the program writes a whole file (exports, the settings file, backups): readers
// see the old content or the new one, never a part, and a failed write leaves the old file.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace recast {

enum class FileWriteStatus {
  Written,
  ReadOnly,  // the file exists and its mode bits or owner do not let this user write it
  Exists,    // NoReplace was asked and the name is taken
  Failed,    // anything else; error holds the errno
};

struct FileWriteResult {
  FileWriteStatus status = FileWriteStatus::Failed;
  int error = 0;  // errno of a Failed write, else 0
  bool ok() const { return status == FileWriteStatus::Written; }
  explicit operator bool() const { return ok(); }
};

enum class ExistingFile { Replace, NoReplace };

// True when path names no file, or a file this user may write. Decided by the mode bits that
// apply to the user (owner, group or others) as well as by access(), so that a read-only file
// counts as read-only also for root. A symbolic link is judged by its target.
bool MayWriteFile(const std::filesystem::path& path);

// Writes data as the whole content of path.
// - A symbolic link is followed (also a chain of them); its final target is written and the
//   link stays. A dangling link creates its target.
// - The data goes to a temporary file in the target's folder, is flushed, and then takes the
//   target's name, so a failure (full disk, vanished folder) leaves the old file as it was and
//   no temporary behind. The temporary's name is short, so names of up to 255 bytes work.
// - An existing file keeps its permissions and, where the user may set it, its owner; a new
//   file gets newFileMode less the umask.
// - An existing file that may not be written (MayWriteFile) gives ReadOnly and is untouched.
// - An existing, writable file in a folder the user cannot write to is rewritten in place, as
//   a plain write would do (not atomic then).
// - With NoReplace an existing name gives Exists and is untouched, whoever races for it.
// - Anything that is not a regular file in the target's place gives Failed.
FileWriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view data,
                                    ExistingFile existing = ExistingFile::Replace, mode_t newFileMode = 0666);

// The user's message for a write that did not succeed: names the file, the cause and the fix.
// "" for a written file.
std::string FileWriteErrorText(const std::filesystem::path& path, const FileWriteResult& result);

}  // namespace recast
