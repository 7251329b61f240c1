#pragma once
// The program without a window: analyse one object, plan a container's class change, apply
// a plan with a journal, undo a journal. Results go to out, messages and progress to err.

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "directory/DirectoryClient.h"

namespace recast::cli {

// Exit codes.
inline constexpr int kExitOk = 0;             // done; analyse: the class can be changed now
inline constexpr int kExitFailed = 1;         // an error, or some object was not changed
inline constexpr int kExitUsage = 2;          // the command line itself is wrong
inline constexpr int kExitDeleteFirst = 3;    // analyse: valued deletable conflicts
inline constexpr int kExitBlocked = 4;        // analyse: undeletable conflicts or missing mandatory values
inline constexpr int kExitInterrupted = 128;  // + the signal's number

struct Environment {
  // A new client with the program's configuration; each call gives a client of its own (a
  // client serves one thread).
  std::function<std::unique_ptr<DirectoryClient>()> makeClient;
  std::filesystem::path configFile;                 // named in messages about missing trees
  std::filesystem::path dataFolder;                 // the journals live in its "journals" folder
  std::string errorTextLibrary;                     // empty: DefaultErrorTextLibraryPath()
  std::function<int(std::ostream&)> reportVersion;  // --version
  std::ostream* out = nullptr;
  std::ostream* err = nullptr;
  bool progress = false;  // draw a progress line on err (err is a terminal)
};

// True when the arguments ask for the command line rather than the window.
bool WantsCommandLine(int argc, const char* const* argv);

// Runs the command that argv names; returns the exit code.
int RunCommandLine(int argc, const char* const* argv, const Environment& env);

}  // namespace recast::cli
