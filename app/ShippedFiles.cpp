#include "app/ShippedFiles.h"

#include <fstream>
#include <system_error>

#include "directory/DirectoryClient.h"
#include "directory/ErrorText.h"
#include "util/FileNames.h"
#include "util/Format.h"

namespace recast::app {

std::string InfoTextPath() { return ShippedDataFileWithExt("txt"); }

std::vector<std::filesystem::path> DemoDataFiles() {
  const std::filesystem::path data = ShippedDataPath("data");
  return {data / "schema.txt", data / "acme.txt", data / "lab.txt"};
}

int ReportShippedFiles(std::ostream& out) {
  constexpr const char* kFix = "Install the program again (cmake --install) or run it from its build folder.";
  bool complete = true;
  auto report = [&](const char* what, const std::string& where, bool found) {
    out << Format(found ? "%s: %s" : "%s: missing, expected at %s. %s", {what, where, kFix}) << '\n';
    complete = complete && found;
  };
  out << Format("Recast Object %s", {RECAST_VERSION}) << '\n';

  const std::string info = InfoTextPath();
  report("Info text", info, std::ifstream(info).good());

  const std::string library = DefaultErrorTextLibraryPath();
  const std::string sample = DirErrorText(library, kErrNoSuchEntry);
  // A bare code means the library could not be loaded.
  const bool described = sample.find('(') != std::string::npos;
  report("Error texts", described ? Format("%s, %s", {library, sample}) : library, described);

  bool demo = true;
  std::error_code ec;
  for (const std::filesystem::path& file : DemoDataFiles()) demo = demo && std::filesystem::is_regular_file(file, ec);
  report("Demo data", ShippedDataPath("data"), demo);
  return complete ? 0 : 1;
}

}  // namespace recast::app
