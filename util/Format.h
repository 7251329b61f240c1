#pragma once
// The one formatter for every message text of the program.
//
// Placeholders are filled in order:
//   %d  signed 32-bit decimal        %u  unsigned 32-bit decimal
//   %X  upper-case hex of the 32-bit value (a negative number shows its two's complement)
//   %x  lower-case hex               %s  text
//   %%  a percent sign
// A width ("%4X", "%04X") right-aligns in a field of that many characters padded with
// blanks; a leading 0 does NOT zero-pad ("Error %04X" with 18 gives "Error   12").
// A "-" flag left-aligns. A precision (".02", ".4") gives at least that many digits,
// padded with zeros ("0x%.4X" with 7 gives "0x0007"). This deliberately differs from printf.
// A placeholder without a matching argument renders as nothing; surplus arguments are ignored.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace recast {

class FormatArg {
 public:
  enum class Kind { Signed, Unsigned, Text };

  FormatArg(std::int32_t v) : kind_(Kind::Signed), number_(static_cast<std::uint32_t>(v)) {}
  FormatArg(std::uint32_t v) : kind_(Kind::Unsigned), number_(v) {}
  FormatArg(std::uint16_t v) : kind_(Kind::Unsigned), number_(v) {}
  FormatArg(std::int16_t v) : FormatArg(static_cast<std::int32_t>(v)) {}
  FormatArg(std::uint8_t v) : kind_(Kind::Unsigned), number_(v) {}
  // Wider integers are taken as their low 32 bits, as the 32-bit rules require.
  FormatArg(long v) : FormatArg(static_cast<std::int32_t>(v)) {}
  FormatArg(unsigned long v) : FormatArg(static_cast<std::uint32_t>(v)) {}
  FormatArg(long long v) : FormatArg(static_cast<std::int32_t>(v)) {}
  FormatArg(unsigned long long v) : FormatArg(static_cast<std::uint32_t>(v)) {}
  FormatArg(std::string_view v) : kind_(Kind::Text), text_(v) {}
  FormatArg(const std::string& v) : kind_(Kind::Text), text_(v) {}
  FormatArg(const char* v) : kind_(Kind::Text), text_(v ? std::string_view(v) : std::string_view()) {}

  Kind kind() const { return kind_; }
  std::uint32_t bits() const { return number_; }
  std::string_view text() const { return text_; }

 private:
  Kind kind_;
  std::uint32_t number_ = 0;
  std::string_view text_;
};

// Fills fmt by the rules above. The arguments must outlive the call only.
std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args);

}  // namespace recast
