#pragma once
// What plans and journals share: one JSON object per line, each sealed with a checksum, and
// the error a reader reports for a file that is not as written.
//
// A sealed line is the object's compact JSON with a last member "crc" added: 8 lower-case
// hex digits of the CRC-32 of the line as it would read without that member, i.e. of
// `{...}` where the line is `{...,"crc":"xxxxxxxx"}`. Any change to the line's bytes, even
// of spacing, shows as a mismatch.

#include <cstdint>
#include <string>
#include <string_view>

namespace recast::engine {

struct FileError {
  std::int64_t line = 0;  // the line the problem is on (1 = first); 0 for the file as a whole
  std::string text;       // the message (what is wrong, where, what to do); empty: no error
  bool ok() const { return text.empty(); }
};

// json: a compact JSON object text ("{...}", not "{}"). Returns it with the "crc" member
// added, without a line end.
std::string SealLine(std::string_view json);
// As SealLine, in place: *json becomes SealLine(*json). For writers that would rather not copy
// a long line.
void SealInPlace(std::string* json);

enum class LineSeal {
  kSealed,    // the checksum matches
  kUnsealed,  // the line does not end with a "crc" member as SealLine writes it
  kMismatch,  // the checksum does not match: the line was changed after it was written
};

// Checks line (without its line end). On kSealed *json is the covered text (the line
// without its "crc" member); unchanged otherwise.
LineSeal CheckLineSeal(std::string_view line, std::string* json);

// The current time as UTC ISO 8601 to the second: "2026-12-09T07:15:00Z".
std::string UtcTimestamp();

// The system's text for an errno value, for the file messages of plans and journals.
std::string ErrnoText(int error);

}  // namespace recast::engine
