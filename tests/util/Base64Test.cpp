#include "util/Base64.h"

#include <gtest/gtest.h>

namespace recast {
namespace {

TEST(Base64Test, EncodesAndDecodesBackEveryTailLength) {
  for (const std::string& bytes :
       {std::string(), std::string("f"), std::string("fo"), std::string("foo"), std::string("\0\xff\x80\x01", 4)}) {
    std::string back = "unchanged";
    ASSERT_TRUE(Base64Decode(Base64Encode(bytes), &back, Base64Form::kCanonical)) << bytes;
    EXPECT_EQ(back, bytes);
  }
  EXPECT_EQ(Base64Encode("fo"), "Zm8=");
}

TEST(Base64Test, AcceptsOnlyItsForm) {
  struct Case {
    const char* text;
    bool lenient, canonical;
  };
  const Case cases[] = {
      {"Zm8=", true, true},   {"Zm 8=", true, false},   {"Zm8", true, false},     {"Zm9=", true, false},
      {"Zg=", true, false},   {"Z", true, false},       {"QQ==QQ", false, false}, {"Zm8===", false, false},
      {"Zm-8", false, false}, {"Zm8=\n", false, false},
  };
  for (const Case& c : cases) {
    std::string bytes = "unchanged";
    EXPECT_EQ(Base64Decode(c.text, &bytes), c.lenient) << c.text;
    bytes = "unchanged";
    EXPECT_EQ(Base64Decode(c.text, &bytes, Base64Form::kCanonical), c.canonical) << c.text;
    if (!c.canonical) {
      EXPECT_EQ(bytes, "unchanged") << c.text;
    }
  }
}

}  // namespace
}  // namespace recast
