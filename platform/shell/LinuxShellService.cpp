#include "platform/shell/LinuxShellService.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <thread>
#include <vector>

extern char** environ;

namespace recast {

namespace {

// posix_spawn's file actions, released on every path.
class FileActions {
 public:
  FileActions() { ok_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
  ~FileActions() {
    if (ok_) ::posix_spawn_file_actions_destroy(&actions_);
  }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  bool ok() const { return ok_; }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
  bool ok_ = false;
};

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> SplitAtBlanks(const std::string& text) {
  std::vector<std::string> words;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find(' ', pos);
    const std::size_t stop = end == std::string::npos ? text.size() : end;
    if (stop > pos) words.push_back(text.substr(pos, stop - pos));
    pos = stop + 1;
  }
  return words;
}

// Starts file (looked up in PATH when usePath) with args; the child is waited for on a
// detached thread so that it does not stay a zombie after it ends.
bool Spawn(const std::string& file, bool usePath, const std::vector<std::string>& args,
           const std::string& workingDirectory) {
  FileActions actions;
  if (!actions.ok()) return false;
  if (IsDirectory(workingDirectory) &&
      ::posix_spawn_file_actions_addchdir_np(actions.get(), workingDirectory.c_str()) != 0) {
    return false;
  }
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = usePath ? ::posix_spawnp(&pid, file.c_str(), actions.get(), nullptr, argv.data(), environ)
                         : ::posix_spawn(&pid, file.c_str(), actions.get(), nullptr, argv.data(), environ);
  if (rc != 0) return false;
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

}  // namespace

bool HasUrlScheme(const std::string& name) {
  const std::size_t colon = name.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  if (!std::isalpha(static_cast<unsigned char>(name[0]))) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

bool LinuxShellService::FileExists(const std::string& path) const {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string LinuxShellService::GetEnv(const std::string& name) const {
  const char* value = std::getenv(name.c_str());
  return value == nullptr ? std::string() : std::string(value);
}

int LinuxShellService::Open(const std::string& program, const std::string& parameters,
                            const std::string& workingDirectory, int /*showMode*/) {
  if (program.empty()) return kShellFileNotFound;
  if (IsExecutableFile(program)) {
    std::vector<std::string> args{program};
    for (std::string& word : SplitAtBlanks(parameters)) args.push_back(std::move(word));
    return Spawn(program, false, args, workingDirectory) ? kShellAccepted : kShellNoAssociation;
  }
  if (!FileExists(program) && !HasUrlScheme(program)) return kShellFileNotFound;
  // xdg-open would take a name beginning with "-" for an option; such a name can only be a
  // relative file name here (a scheme starts with a letter).
  const std::vector<std::string> args{"xdg-open", program.front() == '-' ? "./" + program : program};
  return Spawn("xdg-open", true, args, workingDirectory) ? kShellAccepted : kShellNoAssociation;
}

}  // namespace recast
