#pragma once
// Dotted names as the store and its data files write them: typed parts, most specific first,
// separated by "." ("CN=Admin.O=ACME"); a "\." inside a part is a dot of the value.

#include <string>
#include <string_view>

#include "platform/service/DirectoryService.h"

namespace recast::embedded {

// Leaves *name unchanged and returns false when a part is empty. A leading "." is ignored;
// "[Root]" or an empty text is the top.
bool ParseDottedName(std::string_view text, service::EntryName* name);

std::string DottedName(const service::EntryName& name);

}  // namespace recast::embedded
