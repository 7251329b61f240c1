#pragma once
// Which attributes an entry's own name is made of. A directory refuses to remove a value that
// names its entry, so while the entry keeps its name such an attribute cannot be deleted.

#include <string>
#include <string_view>
#include <vector>

#include "directory/DirectorySession.h"

namespace recast {

// The attribute types of one typed name part: "UID=jdoe" gives {"UID"}, "CN=a+UID=b" gives
// {"CN", "UID"}. A backslash escapes the next character. A "+" piece without an unescaped
// "=" (a "+" inside a value) names nothing, and so does a typeless part.
std::vector<std::string> NamePartAttributes(std::string_view typedPart);

// The typed form of objectName's most specific part as ctx resolves objectName: "jdoe"
// against the name context "Sales.Org" gives "UID=jdoe". A part that is already typed is
// returned as it stands; otherwise the client's ReadTypedLeafName answers, and only a client
// without it has the parent listed with typed names through a duplicate of ctx (freed
// before returning), the first entry with that value taken.
// Leaves *typedPart unchanged on failure: the listing's status, kErrNoSuchEntry when no entry
// has the value, kErrBadName for a name that climbs above its name context.
DirStatus ReadTypedLeafPart(DirectorySession& session, DirContext ctx, std::string_view objectName,
                            std::string* typedPart);

}  // namespace recast
