#pragma once
// Helpers for tests that make the environment fail for real, also for root (where permission
// bits do not bind): a folder path below a regular file, and a file size limit in a child.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace recast::reliability {

// A fresh temporary folder, removed with everything in it at the end of its scope.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Creates a regular file at file and answers a path below it, which no one can create or
// write, whoever the user is.
std::filesystem::path FolderBelowAFile(const std::filesystem::path& file);

// Runs body in a forked child whose files may not grow past limitBytes (SIGXFSZ ignored, so
// writes fail with EFBIG) and answers body's result; -1 when the child did not exit normally.
int RunWithFileSizeLimit(long limitBytes, const std::function<int()>& body);

// Runs body in a forked child that may not write to folders it does not own: for root the
// child runs as the user nobody (root passes every permission check), otherwise as the same
// user. Answers body's result; -1 when the child did not exit normally.
int RunAsUnprivilegedUser(const std::function<int()>& body);

std::string ReadWholeFile(const std::filesystem::path& file);
void WriteWholeFile(const std::filesystem::path& file, const std::string& text);

// The names in folder, sorted.
std::vector<std::string> FolderNames(const std::filesystem::path& folder);

}  // namespace recast::reliability
