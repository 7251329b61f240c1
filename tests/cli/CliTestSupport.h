#pragma once
// The program run as a child on a private home, and a dump of a container's entries read
// through the directory layer.

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "directory/DirectoryClient.h"

namespace recast::cli::testing {

// A fresh temporary home with the program's configuration and data folders; removed with it.
class Home {
 public:
  Home();
  ~Home();
  Home(const Home&) = delete;
  Home& operator=(const Home&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path ConfigFile() const { return path_ / ".config/recast-object/connections.ini"; }
  std::filesystem::path DataFolder() const { return path_ / ".local/share/recast-object"; }
  // Writes connections.ini.
  void Configure(const std::string& ini) const;
  // A store from the schema and data (the embedded format) at path()/name; "" or the loader's
  // message.
  std::string CreateStore(const std::string& data, const std::string& name) const;
  // A client as the program builds it for this home.
  std::unique_ptr<DirectoryClient> Client() const;

 private:
  std::filesystem::path path_;
};

struct Result {
  int exitCode = -1;  // 128 + signal when killed
  std::string out;
  std::string err;
};

// Runs the program with args on home and waits for it.
Result RunProgram(const Home& home, const std::vector<std::string>& args);
// Starts the program with args on home, output to files in home; its pid.
pid_t Start(const Home& home, const std::vector<std::string>& args);
// Waits for pid; the exit code or 128 + signal.
int Wait(pid_t pid);

// Every entry below container (absolute dotted, typed, the whole subtree) with its base class
// and every attribute's values as the window shows them, one text per entry, sorted.
// Attributes named in skip (the server's bookkeeping of each change) are left out.
std::vector<std::string> Dump(DirectoryClient& client, const std::string& tree, const std::string& container,
                              const std::vector<std::string>& skip = {});

// Empty when the dumps are equal, else the first entry that differs in each.
std::string FirstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b);

// The lines of text.
std::vector<std::string> Lines(const std::string& text);

}  // namespace recast::cli::testing
