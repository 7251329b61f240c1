#include "util/UserFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "util/FileNames.h"

namespace recast {
namespace {

constexpr const char* kProgramFolder = "recast-object";

std::filesystem::path HomeFolder() {
  if (std::string home = GetEnvText("HOME"); !home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir) {
    return found->pw_dir;
  }
  return ".";
}

std::filesystem::path BaseFolder(const char* variable, const char* belowHome) {
  const std::filesystem::path fromEnvironment = GetEnvText(variable);
  if (fromEnvironment.is_absolute()) return fromEnvironment;
  return HomeFolder() / belowHome;
}

}  // namespace

std::filesystem::path UserConfigHome() { return BaseFolder("XDG_CONFIG_HOME", ".config"); }

std::filesystem::path UserConfigFolder() { return UserConfigHome() / kProgramFolder; }

std::filesystem::path UserDataFolder() { return BaseFolder("XDG_DATA_HOME", ".local/share") / kProgramFolder; }

}  // namespace recast
