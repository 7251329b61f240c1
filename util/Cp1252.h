#pragma once
// Conversions between the program's internal texts (UTF-8) and the 8-bit windows-1252
// form that exported files carry, plus the wide (UTF-16LE) directory texts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace recast {

// windows-1252 bytes for a UTF-8 text. A character that windows-1252 cannot hold becomes
// '?'. A byte that is not part of a valid UTF-8 sequence is taken to be windows-1252
// already and copied unchanged, so a text shown by DisplayUtf8 is written as shown.
std::string ToCp1252(std::string_view utf8);

// UTF-8 for windows-1252 bytes. The five bytes windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the control characters of the same number, so ToCp1252 gives
// them back unchanged.
std::string FromCp1252(std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);

// Reads the character at pos the way ToCp1252 does: a valid UTF-8 sequence, or else one byte
// taken as windows-1252 (FromCp1252's reading). Sets *cp and returns the number of bytes
// read, at least 1. Requires pos < text.size().
std::size_t ReadCp1252Character(std::string_view text, std::size_t pos, char32_t* cp);

// True when windows-1252 holds cp as a character of its own: ASCII, 0xA0 to 0xFF and the
// characters of 0x80 to 0x9F. False for the C1 controls U+0080 to U+009F (among them the five
// bytes windows-1252 leaves undefined, which readers of such files reject) and for characters
// windows-1252 lacks.
bool IsCp1252Character(char32_t cp);

// The text to show for a byte string of unknown origin: the bytes themselves when they are
// valid UTF-8, else their windows-1252 reading.
std::string DisplayUtf8(std::string_view bytes);

// UTF-8 for a UTF-16LE text of at most maxBytes bytes, ending early at a zero character.
// An odd last byte is ignored; an unpaired surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(const std::uint8_t* bytes, std::size_t maxBytes);
std::string Utf16LeToUtf8(std::string_view bytes);

}  // namespace recast
