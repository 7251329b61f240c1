#pragma once
// Attribute definitions of the schema and their short descriptions.

#include <cstdint>
#include <string>
#include <string_view>

#include "directory/DirectorySession.h"
#include "util/TaggedList.h"

namespace recast {

// One attribute's definition as the client delivers it: attrFlags, syntaxId, lowerBound,
// upperBound, asn1Id.
using AttributeDefinition = AttrInfo;

// Appends every attribute name of the schema, numbered 0, over as many replies as needed.
// A failed entry is skipped. Returns the status of the last directory step.
DirStatus ListAttributeNames(DirectorySession& session, DirContext ctx, TaggedList& list);

// Reads the definition of attrName into *definition; leaves it unchanged on failure and
// returns the failing status.
DirStatus ReadAttributeDefinition(DirectorySession& session, DirContext ctx, std::string_view attrName,
                                  AttributeDefinition* definition);

// The syntax's name in directory/Syntaxes.h ("CI_STRING", ...); "Unknown Syntax" beyond its list.
std::string SyntaxName(std::uint32_t syntaxId);

// The syntax name, then " [" flags "]" when any known flag is set, the flags joined by "\"
// in their fixed order (0x400 PerRep before 0x040 SyncImdt).
std::string FormatAttributeDefinition(const AttributeDefinition& definition);

// ReadAttributeDefinition then FormatAttributeDefinition. *text is empty when the read fails.
DirStatus DescribeAttribute(DirectorySession& session, DirContext ctx, std::string_view attrName, std::string* text);

}  // namespace recast
