#include "util/FileNames.h"

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "util/TextHelpers.h"

namespace recast {

namespace fs = std::filesystem;

std::string ChangeExtension(std::string_view path, std::string_view extension) {
  const std::string ext = EnsurePrefix(extension, ".");
  const std::size_t slash = path.rfind('/');
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = path.rfind('.');
  std::string out(path);
  if (dot != std::string_view::npos && dot >= nameStart) out.resize(dot);
  out += ext;
  return out;
}

std::string ProgramFile() {
  std::array<char, 4096> buffer{};
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
  std::string_view path(buffer.data(), static_cast<std::size_t>(n));
  // The kernel marks a program file replaced on disk while it runs.
  constexpr std::string_view kDeleted = " (deleted)";
  if (path.ends_with(kDeleted)) path.remove_suffix(kDeleted.size());
  return std::string(path);
}

std::string ProgramFileWithExt(std::string_view extension) {
  const std::string program = ProgramFile();
  if (program.empty()) return {};
  return ChangeExtension(program, extension);
}

namespace {

// installedFolder: the installed folder relative to the program's folder (set by the build).
std::string ShippedPath(std::string_view name, std::string_view installedFolder) {
  const std::string program = ProgramFile();
  if (program.empty()) return std::string(name);
  const fs::path folder = fs::path(program).parent_path();
  const fs::path beside = folder / name;
  std::error_code ec;
  if (fs::exists(beside, ec)) return beside.string();
  const fs::path installed = (folder / installedFolder / name).lexically_normal();
  if (fs::exists(installed, ec) || fs::is_directory(installed.parent_path(), ec)) return installed.string();
  return beside.string();
}

}  // namespace

std::string ShippedDataPath(std::string_view name) { return ShippedPath(name, RECAST_DATA_FROM_PROGRAM); }

std::string ShippedLibraryPath(std::string_view name) { return ShippedPath(name, RECAST_LIBRARIES_FROM_PROGRAM); }

std::string ShippedDataFileWithExt(std::string_view extension) {
  const std::string program = ProgramFileWithExt(extension);
  if (program.empty()) return {};
  return ShippedDataPath(fs::path(program).filename().string());
}

std::string GetEnvText(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace recast
