#pragma once
// Raw client buffers as texts, and texts as zero-terminated buffers for the client.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace recast {

// Most bytes BufferText and BufferLines read, whatever length they are given.
inline constexpr std::uint16_t kBufferTextLimit = 2303;

// Each byte as two upper-case hex digits, no separators. count 0 (or no bytes) gives "".
std::string HexText(const std::uint8_t* bytes, std::uint16_t count);

// The characters up to the first zero byte; "" for a null pointer. The design calls for it;
// nothing calls it yet. Keep it as it is.
std::string ZeroTermToText(const char* chars);

// The text's own zero-terminated characters, valid while the text is unchanged.
const char* TextPtr(const std::string& text);

// When *text is shorter than 255 characters and does not already end in a zero character,
// appends one; texts of 255 characters or more are left unchanged. Returns *text's first
// character, which is zero-terminated in every case.
char* TerminatedTextPtr(std::string* text);

// The last character; requires a non-empty text ('\0' for an empty one).
char LastChar(std::string_view text);

// "" becomes one zero character; a text not ending in a zero character gets one appended;
// otherwise unchanged.
std::string AppendZeroChar(std::string_view text);
void AppendZeroChar(std::string* text);

// The first MinWord(length, 2303) bytes from bytes[offset], up to the first zero byte.
// Never reads past the end of bytes: a length reaching beyond it is cut there, and an
// offset at or past it gives "".
std::string BufferText(std::span<const std::uint8_t> bytes, std::uint16_t offset, std::uint16_t length);

// The same bytes with every zero byte (and every tab) turned into CR LF, so zero-separated
// strings become one line each: 'A',0,'B',0 gives "A\r\nB\r\n".
std::string BufferLines(std::span<const std::uint8_t> bytes, std::uint16_t offset, std::uint16_t length);

// Forms for a bare pointer: the caller guarantees that offset + MinWord(length, 2303) bytes
// are readable from bytes. A null pointer gives "".
std::string BufferText(const std::uint8_t* bytes, std::uint16_t offset, std::uint16_t length);
std::string BufferLines(const std::uint8_t* bytes, std::uint16_t offset, std::uint16_t length);

}  // namespace recast
