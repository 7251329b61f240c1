#include "util/FileNames.h"

#include <unistd.h>

#include <array>
#include <cstdlib>

#include "util/TextHelpers.h"

namespace recast {

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

std::string ProgramFileWithExt(std::string_view extension) {
  std::array<char, 4096> buffer{};
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
  std::string_view path(buffer.data(), static_cast<std::size_t>(n));
  // The kernel marks a program file replaced on disk while it runs.
  constexpr std::string_view kDeleted = " (deleted)";
  if (path.ends_with(kDeleted)) path.remove_suffix(kDeleted.size());
  return ChangeExtension(path, extension);
}

std::string GetEnvText(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace recast
