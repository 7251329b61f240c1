#pragma once
// Object classes of the schema. All operations append to the caller's list (never clear it)
// and return the status of the last directory step they took.

#include <string_view>

#include "directory/DirectorySession.h"
#include "util/TaggedList.h"

namespace recast {

// Appends every class name of the schema, numbered with its class flags, over as many
// replies as the schema needs. A failed buffer allocation returns at once with nothing
// appended; a failed class entry is skipped.
DirStatus ListClassNames(DirectorySession& session, DirContext ctx, TaggedList& list);

// Appends the mandatory (numbered 3) and then the optional (numbered 4) attribute names of
// className, inherited ones included, skipping names already in list (ignoring ASCII case).
// Lets window messages run once per class definition read. A class the schema lacks
// appends nothing and returns the directory's status.
DirStatus ReadClassAttributes(DirectorySession& session, DirContext ctx, std::string_view className, TaggedList& list);

// className exactly "*": every attribute name of the schema, numbered 0 (ListAttributeNames);
// otherwise ReadClassAttributes.
DirStatus ReadClassOrSchemaAttributes(DirectorySession& session, DirContext ctx, std::string_view className,
                                      TaggedList& list);

}  // namespace recast
