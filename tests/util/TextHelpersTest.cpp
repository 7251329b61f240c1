#include "util/TextHelpers.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace recast {
namespace {

TEST(TextHelpersTest, ChoiceAndLookup) {
  static constexpr std::array<std::string_view, 3> kWords = {"Alpha", "BETA", "gamma"};
  struct Case {
    std::int32_t index;
    std::string expected;
  };
  for (const Case& c : std::vector<Case>{{0, "Alpha"}, {2, "gamma"}, {-1, "n/a"}, {3, "n/a"}, {INT32_MIN, "n/a"}}) {
    EXPECT_EQ(PickText(c.index, kWords), c.expected) << c.index;
  }
  EXPECT_EQ(PickText(0, std::span<const std::string_view>()), "n/a");

  EXPECT_EQ(IndexOfText("beta", kWords, false), 1);
  EXPECT_EQ(IndexOfText("beta", kWords, true), -1);
  EXPECT_EQ(IndexOfText("BETA", kWords, true), 1);
  EXPECT_EQ(IndexOfText("bet", kWords, false), -1);  // whole text only
  EXPECT_TRUE(IsOneOfText("GAMMA", kWords, false));
  EXPECT_FALSE(IsOneOfText("", kWords, false));
  const std::vector<std::string> owned = {"x", "X"};
  EXPECT_EQ(IndexOfText("X", owned, false), 0);
  EXPECT_EQ(IndexOfText("X", owned, true), 1);
  // Only ASCII letters fold: a-umlaut and A-umlaut stay different.
  EXPECT_FALSE(IsOneOfText("\xC3\xA4", {"\xC3\x84"}, false));

  EXPECT_EQ(BoolText(0), "FALSE");
  EXPECT_EQ(BoolText(1), "TRUE");
  EXPECT_EQ(BoolText(0x80), "TRUE");
  EXPECT_EQ(ChooseText(true, "yes", "no"), "yes");
  EXPECT_EQ(ChooseText(false, "yes", "no"), "no");
  EXPECT_EQ(MinWord(65535, 2303), 2303);
  EXPECT_EQ(MinInt(-5, 3), -5);
}

TEST(TextHelpersTest, Trimming) {
  struct Case {
    std::string text, set, right, left;
  };
  const std::vector<Case> cases = {
      {"a, , ", ", ", "a", "a, , "}, {", ,a", ", ", ", ,a", "a"}, {"", ", ", "", ""},
      {", , ", ", ", "", ""},        {"abc", "", "abc", "abc"},   {" .ext", " .", " .ext", "ext"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TrimRightChars(c.text, c.set), c.right) << c.text;
    EXPECT_EQ(TrimLeftChars(c.text, c.set), c.left) << c.text;
  }
  EXPECT_EQ(EnsurePrefix("txt", "."), ".txt");
  EXPECT_EQ(EnsurePrefix(".txt", "."), ".txt");
  EXPECT_EQ(EnsurePrefix("", "."), ".");
}

TEST(TextHelpersTest, SplitAtFirst) {
  struct Case {
    std::string text, separator, head, tail;
  };
  const std::vector<Case> cases = {
      {"User: Admin", ": ", "User", "Admin"},
      {"a b c", " ", "a", "b c"},
      {"nosep", " ", "nosep", ""},
      {"trailing ", " ", "trailing", ""},
      {" lead", " ", "", "lead"},
      {"", " ", "", ""},
      {"a  b", " ", "a", " b"},
      {"text", "", "text", ""},
  };
  for (const auto& c : cases) {
    std::string head = "junk", tail = "junk";
    SplitAtFirst(c.text, c.separator, &head, &tail);
    EXPECT_EQ(head, c.head) << c.text;
    EXPECT_EQ(tail, c.tail) << c.text;
  }
  // The caller's own variable as input and output.
  std::string rest = "one two three", word;
  SplitAtFirst(rest, " ", &word, &rest);
  EXPECT_EQ(word, "one");
  EXPECT_EQ(rest, "two three");
  SplitAtFirst(rest, " ", &rest, &word);
  EXPECT_EQ(rest, "two");
  EXPECT_EQ(word, "three");
}

TEST(TextHelpersTest, PosText) {
  struct Case {
    std::string sub, text;
    bool caseSensitive;
    std::size_t expected;
  };
  const std::vector<Case> cases = {
      {"b", "abc", true, 2},   {"B", "abc", true, 0},     {"B", "abc", false, 2},
      {"abc", "abc", true, 1}, {"abcd", "abc", false, 0}, {"", "abc", false, 0},
      {"c", "", false, 0},     {"ss", "aSsss", false, 2}, {"\xC3\x84", "\xC3\xA4", false, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(PosText(c.sub, c.text, c.caseSensitive), c.expected) << c.sub << "/" << c.text;
}

TEST(TextHelpersTest, ReplaceText) {
  struct Case {
    std::string text, find, replacement;
    bool caseSensitive, all;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"a-b-c", "-", "+", true, false, "a+b-c"},
      {"a-b-c", "-", "+", true, true, "a+b+c"},
      {"x & y & z", "&", "&amp;", true, true, "x &amp; y &amp; z"},  // replacement not searched again
      {"AbcABC", "abc", "x", false, true, "xx"},
      {"AbcABC", "abc", "x", true, true, "AbcABC"},
      {"Hello World", "WORLD", "there", false, false, "Hello there"},
      {"keepCase", "X", "y", false, true, "keepCase"},
      {"aaa", "aa", "b", true, true, "ba"},  // left to right, no overlap
      {"abc", "", "x", true, true, "abc"},
      {"abc", "b", "b", true, true, "abc"},
      {"a\tb\t", "\t", "\r\n", true, true, "a\r\nb\r\n"},
      {"remove me", " me", "", true, true, "remove"},
      {"", "a", "b", false, true, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceText(c.text, c.find, c.replacement, c.caseSensitive, c.all), c.expected) << c.text;
  }
}

TEST(TextHelpersTest, QuoteAndJoin) {
  EXPECT_EQ(QuoteText("a\"b"), "\"a\"b\"");
  EXPECT_EQ(QuoteText(""), "\"\"");
  struct Case {
    std::string left, right, expected;
  };
  for (const Case& c : std::vector<Case>{{"a", "b", "a b"}, {"", "b", "b"}, {"a", "", "a"}, {"", "", ""}}) {
    EXPECT_EQ(JoinText(c.left, c.right, " "), c.expected);
  }
}

TEST(TextHelpersTest, CaseFoldOrderHashAndEquality) {
  // Only a-z fold: other bytes keep their case and order.
  const struct {
    const char* a;
    const char* b;
    bool equal;
  } cases[] = {{"objectClass", "OBJECTCLASS", true},
               {"cn", "CN", true},
               {"\xE4", "\xC4", false},
               {"a", "ab", false},
               {"@[", "`{", false}};  // differ in the case bit, but are no letters
  for (const auto& c : cases) {
    SCOPED_TRACE(c.a);
    EXPECT_EQ(TextEquals(c.a, c.b), c.equal);
    EXPECT_EQ(CaseEqual{}(c.a, c.b), c.equal);
    EXPECT_EQ(!TextLess(c.a, c.b) && !TextLess(c.b, c.a), c.equal);
    if (c.equal) {
      EXPECT_EQ(CaseHash{}(c.a), CaseHash{}(c.b));
    }
  }
}

}  // namespace
}  // namespace recast
