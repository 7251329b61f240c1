#pragma once
// The one-line text that keeps all values of one attribute, for a later import on the same
// tree: "v1;<syntax>;<value>,<value>,..." where each value is the canonical base64 of its
// ValueCodec encoding. No blanks, no CR or LF; at least one value.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/service/DirectoryService.h"

namespace recast::client {

// Replaces *text with the export of values (of syntax). kErrBadArgument for no values; a
// value the codec refuses gives its status. *text unchanged on failure.
DirStatus WriteValueExport(std::uint32_t syntax, const std::vector<service::DirValue>& values, std::string* text);

// Reads an export strictly: anything but exactly what WriteValueExport writes (a cut or
// edited text, another version, a value that does not decode as its syntax) gives
// kErrBadArgument. *syntax and *values unchanged on failure.
DirStatus ReadValueExport(std::string_view text, std::uint32_t* syntax, std::vector<service::DirValue>* values);

// The export of attrName's values on entry (canonical), read through service.
// kErrNoSuchAttribute when the entry holds none; the service's status when the read fails.
DirStatus ExportValues(service::DirectoryService& service, const service::EntryName& entry, const std::string& attrName,
                       bool derefAliases, std::string* text);

// Adds the values of text (an export) that entry's attrName lacks, in one Modify; when it
// lacks none, sends nothing and returns 0. kErrBadArgument, and nothing sent, for a text that
// is not an export.
DirStatus ImportValues(service::DirectoryService& service, const service::EntryName& entry, const std::string& attrName,
                       bool derefAliases, std::string_view text);

}  // namespace recast::client
