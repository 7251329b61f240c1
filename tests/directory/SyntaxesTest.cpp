#include "directory/Syntaxes.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace recast
