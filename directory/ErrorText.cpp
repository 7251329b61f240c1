#include "directory/ErrorText.h"

#include <dlfcn.h>

#include <array>
#include <cstring>

#include "util/Dialogs.h"
#include "util/Format.h"

namespace recast {

namespace {

constexpr std::string_view kUnknownError = "Unknown error";
constexpr std::size_t kMaxSystemText = 256;

using ErrorTextRoutine = const char* (*)(std::int32_t);

// Unloads the library on every path out of DirErrorText.
class LoadedLibrary {
 public:
  explicit LoadedLibrary(const std::string& path) : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
  ~LoadedLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  ErrorTextRoutine Routine(const char* name) const { return reinterpret_cast<ErrorTextRoutine>(dlsym(handle_, name)); }

 private:
  void* handle_;
};

// strerror_r comes in two flavours depending on the feature macros; both end up here.
[[maybe_unused]] const char* StrerrorResult(int result, const char* buffer) { return result == 0 ? buffer : ""; }
[[maybe_unused]] const char* StrerrorResult(const char* result, const char*) { return result; }

bool IsTrailingJunk(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7F || c == ' ' || c == '.';
}

// The system's message for status as an error number; empty when it has none (glibc answers
// "Unknown error N" for numbers it does not know).
std::string SystemMessageText(DirStatus status) {
  std::array<char, kMaxSystemText> buffer{};
  const char* message = StrerrorResult(strerror_r(status, buffer.data(), buffer.size()), buffer.data());
  std::string text(message != nullptr ? message : "");
  if (text.size() > kMaxSystemText) text.resize(kMaxSystemText);
  if (text.starts_with(kUnknownError)) return {};
  while (!text.empty() && IsTrailingJunk(text.back())) text.pop_back();
  return text;
}

}  // namespace

std::string DirErrorText(const std::string& errorTextLibrary, DirStatus status) {
  const std::string code = Format("0x%.4X", {status});
  const LoadedLibrary library(errorTextLibrary);
  if (!library.loaded()) return code;
  std::string description(kUnknownError);
  if (const ErrorTextRoutine routine = library.Routine("NWstrerror"); routine != nullptr) {
    const char* text = routine(status);
    description = text != nullptr ? text : "";
  }
  if (description == kUnknownError) description = SystemMessageText(status);
  return Format("%s (%s)", {code, description});
}

std::string DirErrorText(const DirectorySession& session, DirStatus status) {
  return DirErrorText(session.errorTextLibrary, status);
}

void ShowDirError(DirectorySession& session, DirStatus status, std::string_view operationText) {
  if (status == 0) return;
  ShowMessageBox(session.ui, MessageBoxKind::Error,
                 Format("%s returned error %s", {operationText, DirErrorText(session, status)}));
}

}  // namespace recast
