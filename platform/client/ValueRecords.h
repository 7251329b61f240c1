#pragma once
// Value records (DirectoryClient.h) to and from the service's neutral values.
//
// A packed block: the record of the syntax at the start, then everything it references
// (texts, elements, bytes), each at its type's alignment, so that every pointer points inside
// the block. The block itself must have malloc alignment.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "directory/DirectoryClient.h"
#include "platform/service/DirectoryService.h"

namespace recast::client {

// The size of the block for value in syntax. kErrBadSyntax when the value's form does not
// belong to the syntax. attrName is the attribute being read (for Unknown values that carry
// no name of their own).
DirStatus PackedValueSize(std::uint32_t syntax, const service::DirValue& value, std::string_view attrName,
                          std::size_t* size);

// Writes the block; block must hold PackedValueSize bytes (nothing is written for size 0).
DirStatus PackValue(std::uint32_t syntax, const service::DirValue& value, std::string_view attrName, void* block);

// Reads a caller's record of syntax into a value; null texts read as empty. kErrBadSyntax for
// the raw syntaxes (IsRawSyntax: their bytes do not tell their own size), and for an element
// chain longer than 65536 (a cycle); kErrBadArgument for a null record.
DirStatus UnpackRecord(std::uint32_t syntax, const void* record, service::DirValue* value);

}  // namespace recast::client
