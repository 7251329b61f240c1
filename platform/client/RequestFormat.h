#pragma once
// The bytes of a request buffer, after InitBuffer with its operation:
//
//   request      := name-item* | change-item*
//   name-item    := name:text                                   (operations 3, 12, 15)
//   change-item  := type:u32 name:text hasValue:u8 [syntax:u32 value]   (operation 9)
//   value        := length:u32 byte{length}                     (the value codec's form)
//   text         := length:u16 byte{length}
//
// Decoding fails on a truncated number (kErrReplyTruncatedNumber), a truncated text or value
// (kErrReplyTruncatedText), a change type outside 0..7 (kErrRequestBadChange) and a value
// marker other than 0 or 1 (kErrRequestBadValueFlag).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "directory/DirectoryClient.h"
#include "platform/client/ByteCoding.h"

namespace recast::client {

struct EncodedChange {
  std::uint32_t type = 0;
  std::string attrName;
  bool hasValue = false;
  std::uint32_t syntax = 0;
  std::string value;  // the codec's form
};

// Append one item; false (nothing written) when it does not fit.
bool PutNameItem(ByteWriter& out, std::string_view name);
bool PutChangeItem(ByteWriter& out, const EncodedChange& change);

DirStatus DecodeNameItems(const std::uint8_t* data, std::size_t size, std::vector<std::string>* names);
DirStatus DecodeChangeItems(const std::uint8_t* data, std::size_t size, std::vector<EncodedChange>* changes);

}  // namespace recast::client
