#include "directory/Syntaxes.h"

#include <gtest/gtest.h>

#include <vector>

#include "directory/ObjectIds.h"

namespace recast {
namespace {

// What every layer reads from the list: one row per kind of syntax, and the numbers beyond it.
TEST(SyntaxesTest, FormsMatchingAndDetails) {
  struct Case {
    std::uint32_t id;
    ValueForm form;
    Matching matching;
    SyntaxDetail detail;
    bool text;
    bool raw;
  };
  using F = ValueForm;
  using M = Matching;
  using D = SyntaxDetail;
  const Case cases[] = {
      {0, F::kUnknown, M::kExact, D::kNone, false, false},
      {1, F::kText, M::kIgnoreCase, D::kNone, true, false},
      {2, F::kText, M::kExact, D::kNone, true, false},
      {4, F::kText, M::kExact, D::kPrintable, true, false},
      {5, F::kText, M::kExact, D::kNumeric, true, false},
      {6, F::kCiList, M::kIgnoreCase, D::kNone, false, false},
      {9, F::kOctets, M::kExact, D::kNone, false, false},
      {10, F::kText, M::kIgnoreCase, D::kNone, true, false},
      {20, F::kText, M::kIgnoreCase, D::kClassName, true, false},
      {21, F::kOctets, M::kExact, D::kRaw, false, true},
      {22, F::kInteger, M::kExact, D::kNone, false, false},
      {24, F::kSeconds, M::kExact, D::kPointInTime, false, false},
      {27, F::kSeconds, M::kExact, D::kDuration, false, false},
      {28, F::kOctets, M::kExact, D::kRaw, false, true},
      {38, F::kOctets, M::kExact, D::kRaw, false, true},
      {0xFFFFFFFF, F::kOctets, M::kExact, D::kRaw, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const SyntaxInfo info = SyntaxOf(c.id);
    EXPECT_EQ(info.id, c.id);
    EXPECT_EQ(info.form, c.form);
    EXPECT_EQ(info.matching, c.matching);
    EXPECT_EQ(info.detail, c.detail);
    EXPECT_EQ(IsTextSyntax(c.id), c.text);
    EXPECT_EQ(IsRawSyntax(c.id), c.raw);
  }
}

// Tag, length and content; the content alone is what the store keeps and gives back.
TEST(ObjectIdsTest, TextToEncodingAndBack) {
  // 30 content bytes (two for 2.999, five for each large arc): with tag and length, an Asn1Id full.
  const std::string longest = "2.999.4294967295.4294967295.4294967295.4294967295.4294967295.1.1.1";
  const std::pair<std::string, std::vector<std::uint8_t>> valid[] = {
      {"2.5.4.3", {6, 3, 0x55, 4, 3}},
      {"1.3.6.1.4.1.32473.1.4.1", {6, 11, 0x2B, 6, 1, 4, 1, 0x81, 0xFD, 0x59, 1, 4, 1}},
  };
  for (const auto& [text, bytes] : valid) {
    SCOPED_TRACE(text);
    const std::optional<Asn1Id> id = ObjectIdFromText(text);
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(std::vector<std::uint8_t>(id->data, id->data + id->length), bytes);
    const Asn1Id back = ObjectIdFromContent(ObjectIdContent(*id));
    EXPECT_EQ(std::vector<std::uint8_t>(back.data, back.data + back.length), bytes);
  }
  ASSERT_TRUE(ObjectIdFromText(longest).has_value());
  EXPECT_EQ(ObjectIdFromText(longest)->length, kAsn1IdBytes);
  for (const std::string& text :
       {longest + ".1", std::string(), std::string("2"), std::string("3.1"), std::string("1.40"), std::string("1..2"),
        std::string("1.2."), std::string("0x1.2"), std::string("1.4294967296")}) {
    EXPECT_FALSE(ObjectIdFromText(text).has_value()) << text;
  }
  EXPECT_EQ(ObjectIdContent(Asn1Id{}), "");
  EXPECT_EQ(ObjectIdFromContent("").length, 0u);
}

}  // namespace
}  // namespace recast
