#include "util/RawBuffers.h"

#include <gtest/gtest.h>

#include <vector>

namespace recast {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

TEST(RawBuffersTest, HexAndZeroTerminated) {
  const std::uint8_t bytes[] = {10, 255, 0};
  EXPECT_EQ(HexText(bytes, 2), "0AFF");
  EXPECT_EQ(HexText(bytes, 3), "0AFF00");
  EXPECT_EQ(HexText(bytes, 0), "");
  EXPECT_EQ(HexText(nullptr, 4), "");
  EXPECT_EQ(ZeroTermToText("ab\0cd"), "ab");
  EXPECT_EQ(ZeroTermToText(nullptr), "");
}

TEST(RawBuffersTest, ZeroCharacterRules) {
  std::string three = "abc";
  char* p = TerminatedTextPtr(&three);
  EXPECT_EQ(three, std::string("abc\0", 4));
  EXPECT_EQ(p, three.data());
  TerminatedTextPtr(&three);
  EXPECT_EQ(three.size(), 4u);  // a second call adds nothing

  std::string longText(255, 'x');
  TerminatedTextPtr(&longText);
  EXPECT_EQ(longText, std::string(255, 'x'));
  EXPECT_EQ(TerminatedTextPtr(&longText)[255], '\0');  // still zero-terminated storage

  std::string shortOne(254, 'x');
  TerminatedTextPtr(&shortOne);
  EXPECT_EQ(shortOne.size(), 255u);

  EXPECT_EQ(AppendZeroChar(""), std::string(1, '\0'));
  EXPECT_EQ(AppendZeroChar("a"), std::string("a\0", 2));
  EXPECT_EQ(AppendZeroChar(std::string("a\0", 2)), std::string("a\0", 2));
  std::string inPlace = "ab";
  AppendZeroChar(&inPlace);
  AppendZeroChar(&inPlace);
  EXPECT_EQ(inPlace, std::string("ab\0", 3));
  EXPECT_EQ(LastChar("ab"), 'b');
  EXPECT_EQ(LastChar(""), '\0');
}

TEST(RawBuffersTest, BufferTextAndLines) {
  struct Case {
    std::string bytes;
    std::uint16_t offset, length;
    std::string text, lines;
  };
  const std::vector<Case> cases = {
      {std::string("A\0B\0", 4), 0, 4, "A", "A\r\nB\r\n"},
      {"plain", 0, 5, "plain", "plain"},
      {"plain", 0, 3, "pla", "pla"},
      {"a\tb", 0, 3, "a\tb", "a\r\nb"},
      {"", 0, 0, "", ""},
      {std::string("\0x", 2), 0, 2, "", "\r\nx"},
      {"skip", 2, 2, "ip", "ip"},
      {"short", 0, 100, "short", "short"},  // cut at the end of the bytes
      {"short", 9, 1, "", ""},
  };
  for (const auto& c : cases) {
    const auto bytes = Bytes(c.bytes);
    EXPECT_EQ(BufferText(bytes, c.offset, c.length), c.text);
    EXPECT_EQ(BufferLines(bytes, c.offset, c.length), c.lines);
  }
}

TEST(RawBuffersTest, NeverReadsMoreThan2303Bytes) {
  const std::vector<std::uint8_t> big(5000, 'z');
  EXPECT_EQ(BufferText(big, 0, 5000).size(), 2303u);
  EXPECT_EQ(BufferLines(big, 0, 5000).size(), 2303u);
  EXPECT_EQ(BufferText(big.data(), 0, 5000).size(), 2303u);
  EXPECT_EQ(BufferText(nullptr, 0, 5), "");
  // Exactly the limit; under AddressSanitizer an over-read of the heap block would report.
  const std::vector<std::uint8_t> exact(2303, 'q');
  EXPECT_EQ(BufferLines(exact.data(), 0, 65535).size(), 2303u);
}

}  // namespace
}  // namespace recast
