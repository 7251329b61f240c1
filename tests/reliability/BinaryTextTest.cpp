// A text file that is not text (the Info file, a value, an export's input): every byte must
// be shown as one character, the shown text must be valid UTF-8 for the window, and writing
// what is shown as windows-1252 must give the bytes back.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "util/Cp1252.h"

namespace recast::reliability {
namespace {

std::size_t CodePoints(const std::string& utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
  return n;
}

TEST(BinaryTextTest, EveryByteShowsAsOneCharacterAndWritesBackUnchanged) {
  std::string allBytes;
  for (int b = 255; b >= 0; --b) allBytes += static_cast<char>(b);
  std::mt19937 random(7);
  std::string noise(4096, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::string truncatedUtf8 = "Info \xC3\xBC text \xE2\x82";  // the file cut in mid-character

  for (const std::string& bytes : {allBytes, noise, truncatedUtf8, std::string("\0\0\0", 3)}) {
    const std::string shown = DisplayUtf8(bytes);
    ASSERT_TRUE(IsValidUtf8(shown));
    if (IsValidUtf8(bytes)) {
      EXPECT_EQ(shown, bytes);
      continue;
    }
    EXPECT_EQ(CodePoints(shown), bytes.size());
    EXPECT_EQ(ToCp1252(shown), bytes);
  }
}

}  // namespace
}  // namespace recast::reliability
