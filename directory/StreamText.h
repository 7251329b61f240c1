#pragma once
// Stream attributes read through the client's file handle.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "directory/DirectorySession.h"

namespace recast {

inline constexpr std::size_t kMaxStreamBytes = 64512;
// Status of a stream that was opened but could not be read.
inline constexpr DirStatus kStreamReadFailed = 30;

// Opens the stream, reads until its end or kMaxStreamBytes, closes it, and sets *text to
// FormatStreamText of what was read. A failed open returns the client's status, a failed
// read kStreamReadFailed; *text is left unchanged in both cases.
DirStatus ReadStreamText(DirectorySession& session, DirContext ctx, std::string_view objectName,
                         std::string_view attrName, std::string* text);

// "Stream (%d bytes):" CR LF and the content: the bytes up to the first zero, or an
// application template's rendering (chosen by attrName, case counts) when the data begins
// with "AOT FILE". Only the first kMaxStreamBytes of data are used; nothing past the data is
// read.
std::string FormatStreamText(std::span<const std::uint8_t> data, std::string_view attrName);

}  // namespace recast
