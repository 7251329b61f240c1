#pragma once
// Octet values, network addresses and rights as text. Every reader is bounds-checked: a
// value too short for its named layout shows as the hex text of its bytes.

#include <cstdint>
#include <string>
#include <string_view>

namespace recast {

// By the attribute name (ignoring ASCII case): a known layout's text, else the hex text of
// all bytes. data may be null when length is 0.
std::string FormatOctetValue(std::uint32_t length, const std::uint8_t* data, std::string_view attrName);

// "(type) " followed by the address in the form of its type; the prefix alone when address
// is null. An address too short for its type's form shows as "[hex]" of its bytes.
std::string FormatNetAddress(std::uint32_t addressType, const std::uint8_t* address, std::uint32_t length);

enum class RightsKind { Entry, Attribute };

// "[......]": six positions, each the right's letter or a blank.
std::string FormatRights(std::uint32_t rights, RightsKind kind);

}  // namespace recast
