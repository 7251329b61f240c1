#pragma once
// The fixed descriptions of the statuses the client can return.

#include <cstdint>
#include <string>

namespace recast::errtext {

// The description of status, or an empty text when it has none.
std::string DescribeStatus(std::int32_t status);

}  // namespace recast::errtext
