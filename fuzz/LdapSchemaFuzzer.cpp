// Builds the schema mapping from arbitrary definition strings (a zero byte separates the
// values, a first 0x01 byte switches from class to attribute definitions) and asks every
// lookup about every name it produced.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "directory/ObjectIds.h"
#include "platform/ldap/LdapSchema.h"

using namespace recast;

// OpenLDAP 2.5's definition parsers drop a string they have read when the text after it is
// malformed ("(X-$" for an object class, a broken SYNTAX after EQUALITY for an attribute
// type): leaks inside the library, whose results we free on every path. Full malloc stacks
// let the suppressions name those two functions alone.
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
extern "C" const char* __lsan_default_suppressions() {
  return "leak:ldap_str2attributetype\nleak:ldap_str2objectclass\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> classes;
  std::vector<std::string> attributes;
  std::vector<std::string>* into = &classes;
  std::string current;
  for (std::size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\0') {
      into->push_back(current);
      current.clear();
    } else if (c == '\x01' && current.empty()) {
      into = &attributes;
    } else {
      current += c;
    }
  }
  into->push_back(current);

  const ldap::LdapSchema schema = ldap::LdapSchema::Build(classes, attributes);
  std::vector<std::string> names;
  for (const auto& def : schema.schema().classes) {
    names.push_back(def.name);
    schema.ClassChain(def.name);
    schema.IsContainerClass(def.name);
    for (const auto& super : def.superClasses) schema.IsSubclassOf(def.name, super);
  }
  for (const auto& def : schema.schema().attributes) {
    schema.FindAttribute(def.name);
    ObjectIdFromText(def.name);
  }
  schema.MostSpecificStructural(names);
  for (const std::string& text : classes) {
    schema.FindClass(text);
    ObjectIdFromText(text);
    ldap::SyntaxForOid(text, text, text);
  }
  return 0;
}
