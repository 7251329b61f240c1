#pragma once
// The command line's words: the command, its positional arguments and its options.

#include <map>
#include <string>
#include <vector>

namespace recast::cli {

struct OptionSpec {
  const char* name;  // "--tree"
  bool takesValue;
};

struct Arguments {
  std::string command;
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;  // a flag maps to ""

  bool Has(const std::string& name) const { return options.count(name) != 0; }
  std::string Value(const std::string& name) const;
};

// Splits words (after the command) by specs. Returns an empty text on success, else the
// message naming the word at fault and what to write instead; *out is then incomplete.
std::string ParseArguments(const std::string& command, const std::vector<std::string>& words,
                           const std::vector<OptionSpec>& specs, Arguments* out);

}  // namespace recast::cli
