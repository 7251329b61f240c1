#pragma once
// Dotted names as the client accepts and writes them.
//
//   name      := "[Root]" | ["."] part ("." part)* "."*  |  ""
//   part      := [type "="] value          (a typeless part has no "=")
// Parts run from the most specific to the top. A leading "." counts from the top of the tree;
// without it a name is relative to the context's name context, and each trailing "." climbs
// one level up from the name context before the parts are added. Inside a part "\" escapes
// the next character, so "\." is a dot that belongs to the value. The empty name is the name
// context itself.

#include <cstddef>
#include <string>
#include <string_view>

#include "directory/DirectoryClient.h"
#include "platform/service/DirectoryService.h"

namespace recast::client {

struct DottedName {
  bool root = false;      // "[Root]"
  bool absolute = false;  // began with "."
  std::size_t climb = 0;  // trailing dots
  service::EntryName parts;
};

inline constexpr std::string_view kRootName = "[Root]";

// kErrBadName for an empty part in the middle, a part without value or type, a dangling "\",
// a leading and trailing "." together, or a name of kMaxNameBytes or more; *out unchanged then.
DirStatus ParseDottedName(std::string_view text, DottedName* out);

// The absolute name that text means against nameContext (absolute, most specific first).
// kErrBadName as ParseDottedName, and when the trailing dots climb above the top.
DirStatus ResolveDottedName(std::string_view text, const service::EntryName& nameContext, service::EntryName* out);

// A name context as key 3 holds it: "[Root]", "" (both the top) or an absolute name with or
// without its leading ".". kErrBadName otherwise.
DirStatus ParseNameContext(std::string_view text, service::EntryName* out);

// One part: "value" when typeless, else "TYPE=value"; dots and backslashes escaped (and "=" in
// a typeless part, so that it reads back as typeless).
std::string FormatNamePart(const service::NamePart& part, bool typeless);
// The parts joined by "."; "[Root]" for the top. No leading dot.
std::string FormatDottedName(const service::EntryName& name, bool typeless);

}  // namespace recast::client
