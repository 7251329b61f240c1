#pragma once
// Dotted directory names and tree names: pure text rules, no client.
//
// Every "." separates parts; no escape character is recognised. "[Root]" and "[Public]"
// are special names that never get a leading ".".

#include <string>
#include <string_view>

namespace recast {

inline constexpr std::string_view kRootName = "[Root]";
inline constexpr std::string_view kPublicName = "[Public]";

// Keeps the first 32 characters, then removes every trailing "_".
std::string CleanTreeName(std::string_view text);

// Exactly "[Root]" or "[Public]" (case counts).
bool IsSpecialName(std::string_view name);

// "." + name unless name is empty, already begins with "." or is special.
std::string AddLeadingDot(std::string_view name);

// name without one leading "." (only one is removed).
std::string StripLeadingDot(std::string_view name);

// The container to go to when entry of the container list is double-clicked while current
// is shown: "." or empty stays; "[ .. ]" or ".." climbs one level ("[Root]" at the top);
// otherwise entry is put in front of current.
std::string ComposeContainerName(std::string_view current, std::string_view entry);

}  // namespace recast
