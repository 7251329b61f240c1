#include "util/Cp1252.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace recast {
namespace {

TEST(Cp1252Test, ConvertsBothWays) {
  struct Case {
    std::string utf8;
    std::string cp1252;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"plain ASCII", "plain ASCII"},
      {"M\xC3\xBCller", "M\xFCller"},              // u umlaut
      {"\xE2\x82\xAC 5", "\x80 5"},                // euro sign
      {"\xE2\x80\x9Cq\xE2\x80\x9D", "\x93q\x94"},  // curly quotes
      {"\xC5\xB8", "\x9F"},                        // Y with diaeresis
      {"\xC2\x81", "\x81"},                        // undefined byte round-trips
      {"\xC3\xBF", "\xFF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToCp1252(c.utf8), c.cp1252) << c.utf8;
    EXPECT_EQ(FromCp1252(c.cp1252), c.utf8) << c.utf8;
  }
}

TEST(Cp1252Test, UnrepresentableBecomesQuestionMarkAndStrayBytesPassThrough) {
  EXPECT_EQ(ToCp1252("a\xE4\xB8\xADz"), "a?z");  // CJK character
  EXPECT_EQ(ToCp1252("\xF0\x9F\x98\x80"), "?");  // outside the BMP
  EXPECT_EQ(ToCp1252("caf\xE9"), "caf\xE9");     // already windows-1252
  EXPECT_EQ(ToCp1252("\xC0\xAF"), "\xC0\xAF");   // overlong: not UTF-8
  EXPECT_EQ(ToCp1252("\xE2\x82"), "\xE2\x82");   // truncated sequence
}

TEST(Cp1252Test, DisplayUtf8KeepsValidUtf8AndReadsTheRestAsWindows1252) {
  EXPECT_EQ(DisplayUtf8("M\xC3\xBCller"), "M\xC3\xBCller");
  EXPECT_EQ(DisplayUtf8("M\xFCller"), "M\xC3\xBCller");
  EXPECT_EQ(DisplayUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // encoded surrogate
  EXPECT_TRUE(IsValidUtf8(""));
}

TEST(Cp1252Test, Utf16LeStopsAtZeroAndLimit) {
  const std::vector<std::uint8_t> text = {'A', 0, 0xFC, 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, 0, 0, 'Z', 0};
  EXPECT_EQ(Utf16LeToUtf8(text.data(), text.size()), "A\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16LeToUtf8(text.data(), 3), "A");  // odd byte ignored
  EXPECT_EQ(Utf16LeToUtf8(text.data(), 0), "");
  EXPECT_EQ(Utf16LeToUtf8(nullptr, 10), "");
  // A high surrogate cut off by the limit, and a lone low surrogate.
  EXPECT_EQ(Utf16LeToUtf8(text.data() + 6, 2), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16LeToUtf8(std::string("\x00\xDC", 2)), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace recast
