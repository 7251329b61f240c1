#include "tests/reliability/HostileEnvironment.h"

#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace recast::reliability {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "recast-reliability-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path FolderBelowAFile(const std::filesystem::path& file) {
  WriteWholeFile(file, "not a folder\n");
  return file / "folder";
}

int RunWithFileSizeLimit(long limitBytes, const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(120);
    const int result = body();
    // _exit: the child must not run the parent's test framework teardown.
    ::_exit(result);
  }
  if (child < 0) return -1;
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

int RunAsUnprivilegedUser(const std::function<int()>& body) {
  constexpr uid_t kNobody = 65534;
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
      ::_exit(121);
    }
    ::_exit(body());
  }
  if (child < 0) return -1;
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::string ReadWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
}

std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace recast::reliability
