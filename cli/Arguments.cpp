#include "cli/Arguments.h"

#include "util/Format.h"

namespace recast::cli {

std::string Arguments::Value(const std::string& name) const {
  const auto it = options.find(name);
  return it == options.end() ? std::string() : it->second;
}

std::string ParseArguments(const std::string& command, const std::vector<std::string>& words,
                           const std::vector<OptionSpec>& specs, Arguments* out) {
  out->command = command;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word.size() < 2 || word.compare(0, 2, "--") != 0) {
      out->positional.push_back(word);
      continue;
    }
    // "--name=value" is taken as well as "--name value".
    std::string name = word;
    std::string value;
    bool inlineValue = false;
    if (const std::size_t eq = word.find('='); eq != std::string::npos) {
      name = word.substr(0, eq);
      value = word.substr(eq + 1);
      inlineValue = true;
    }
    const OptionSpec* spec = nullptr;
    for (const OptionSpec& s : specs) {
      if (name == s.name) spec = &s;
    }
    if (spec == nullptr) {
      return Format("unknown option \"%s\" for \"%s\"; see recast-object --help", {name, command});
    }
    if (out->options.count(name) != 0) return Format("option %s is given twice; give it once", {name});
    if (!spec->takesValue) {
      if (inlineValue) return Format("option %s takes no value; write it alone", {name});
      out->options[name] = "";
      continue;
    }
    if (!inlineValue) {
      if (i + 1 >= words.size()) return Format("option %s needs a value: %s VALUE", {name, name});
      value = words[++i];
    }
    if (value.empty()) return Format("option %s needs a non-empty value", {name});
    out->options[name] = value;
  }
  return {};
}

}  // namespace recast::cli
