#include "platform/service/ValueCodec.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace recast::service {
namespace {

struct Sample {
  std::uint32_t syntax;
  DirValue value;
};

std::vector<Sample> OneSamplePerSyntax() {
  return {
      {kSynUnknown, value::Unknown{"Odd Attr", 99, {1, 2, 3}}},
      {kSynDistName, value::Text{"CN=Admin.O=ACME"}},
      {kSynCeString, value::Text{"Case Exact"}},
      {kSynCiString, value::Text{"ignore case"}},
      {kSynPrString, value::Text{"Printable"}},
      {kSynNuString, value::Text{"12345"}},
      {kSynCiList, value::CiList{{"one", "", "three"}}},
      {kSynBoolean, value::Boolean{true}},
      {kSynInteger, value::Integer{-42}},
      {kSynOctetString, value::Octets{{0, 0xFF, 0x10}}},
      {kSynTelNumber, value::Text{"+1 555 0100"}},
      {kSynFaxNumber, value::Fax{"+1 555 0199", 12, {0xA0, 0x0F}}},
      {kSynNetAddress, value::NetAddress{1, {192, 168, 0, 1}}},
      {kSynOctetList, value::OctetList{{{1}, {}, {2, 3}}}},
      {kSynEmailAddress, value::Email{2, "a@b.example"}},
      {kSynPath, value::Path{4, "SYS", "PUBLIC\\DOCS"}},
      {kSynReplicaPointer, value::ReplicaPointer{"FS1.O=ACME", 1, 7, {{0, {1, 2}}, {9, {}}}}},
      {kSynObjectAcl, value::Acl{"[Entry Rights]", "[Public]", 0x13}},
      {kSynPoAddress, value::PostalAddress{{"l1", "l2", "", "l4", "l5", "l6"}}},
      {kSynTimestamp, value::Timestamp{1700000000, 3, 0xBEEF}},
      {kSynClassName, value::Text{"User"}},
      {kSynStream, value::Octets{{'A', 'O', 'T'}}},
      {kSynCounter, value::Integer{7}},
      {kSynBackLink, value::BackLink{0x1234, "CN=x.O=ACME"}},
      {kSynTime, value::Seconds{86400}},
      {kSynTypedName, value::TypedName{"CN=q.O=ACME", 5, 60}},
      {kSynHold, value::Hold{"CN=h.O=ACME", 250}},
      {kSynInterval, value::Seconds{3600}},
      {kSynCount, value::Octets{{9, 8, 7}}},
      {31, value::Octets{{}}},
  };
}

TEST(ValueCodecTest, EverySyntaxRoundTrips) {
  for (const Sample& s : OneSamplePerSyntax()) {
    std::string encoded;
    ASSERT_EQ(EncodeValue(s.syntax, s.value, &encoded), 0) << "syntax " << s.syntax;
    DirValue decoded;
    ASSERT_EQ(DecodeValue(s.syntax, encoded, &decoded), 0) << "syntax " << s.syntax;
    EXPECT_EQ(decoded, s.value) << "syntax " << s.syntax;
  }
}

// Every proper prefix of a valid encoding is malformed, and the decoder says how.
TEST(ValueCodecTest, EveryTruncationIsRefusedAndLeavesOutputAlone) {
  const std::set<DirStatus> truncation = {kErrValueTruncatedLength, kErrValueTruncatedField, kErrValueTruncatedText,
                                          kErrValueCountTooLarge};
  for (const Sample& s : OneSamplePerSyntax()) {
    std::string encoded;
    ASSERT_EQ(EncodeValue(s.syntax, s.value, &encoded), 0);
    for (std::size_t len = 0; len < encoded.size(); ++len) {
      DirValue out = value::Text{"untouched"};
      DirStatus st = DecodeValue(s.syntax, std::string_view(encoded).substr(0, len), &out);
      EXPECT_TRUE(truncation.count(st)) << "syntax " << s.syntax << " length " << len << " status " << st;
      EXPECT_EQ(out, DirValue(value::Text{"untouched"}));
    }
  }
}

TEST(ValueCodecTest, TrailingBytesAreRefused) {
  for (const Sample& s : OneSamplePerSyntax()) {
    std::string encoded;
    ASSERT_EQ(EncodeValue(s.syntax, s.value, &encoded), 0);
    encoded.push_back('\0');
    DirValue out;
    EXPECT_EQ(DecodeValue(s.syntax, encoded, &out), kErrValueTrailingBytes) << "syntax " << s.syntax;
  }
}

TEST(ValueCodecTest, SpecificMalformedCases) {
  DirValue out;
  std::string encoded;
  // Wrong alternative for the syntax.
  EXPECT_EQ(EncodeValue(kSynInteger, value::Text{"5"}, &encoded), kErrValueWrongAlternative);
  EXPECT_EQ(EncodeValue(kSynStream, value::Text{"x"}, &encoded), kErrValueWrongAlternative);
  // Zero bytes inside texts would be cut short when handed out zero-terminated.
  EXPECT_EQ(EncodeValue(kSynCiString, value::Text{std::string("a\0b", 3)}, &encoded), kErrValueEmbeddedZero);
  EXPECT_EQ(EncodeValue(kSynCiList, value::CiList{{"ok", std::string("\0", 1)}}, &encoded), kErrValueEmbeddedZero);
  EXPECT_EQ(DecodeValue(kSynCiString, std::string("\x03\0\0\0a\0b", 7), &out), kErrValueEmbeddedZero);
  // Booleans are 0 or 1.
  EXPECT_EQ(DecodeValue(kSynBoolean, std::string("\x02", 1), &out), kErrValueBadBoolean);
  // A count no remaining bytes could satisfy is refused before anything is allocated.
  EXPECT_EQ(DecodeValue(kSynCiList, std::string("\xFF\xFF\xFF\x7F", 4), &out), kErrValueCountTooLarge);
  EXPECT_EQ(DecodeValue(kSynOctetList, std::string("\x02\0\0\0\0\0\0\0", 8), &out), kErrValueCountTooLarge);
  // A length beyond the input.
  EXPECT_EQ(DecodeValue(kSynOctetString, std::string("\xFF\xFF\xFF\xFF", 4), &out), kErrValueTruncatedText);
  EXPECT_EQ(EncodeValue(kSynInteger, value::Integer{1}, nullptr), kErrBadArgument);
}

TEST(ValueCodecTest, LayoutIsLittleEndianAndCompact) {
  std::string encoded;
  ASSERT_EQ(EncodeValue(kSynInteger, value::Integer{-2}, &encoded), 0);
  EXPECT_EQ(encoded, std::string("\xFE\xFF\xFF\xFF", 4));
  ASSERT_EQ(EncodeValue(kSynTimestamp, value::Timestamp{0x01020304, 0x0506, 0x0708}, &encoded), 0);
  EXPECT_EQ(encoded, std::string("\x04\x03\x02\x01\x06\x05\x08\x07", 8));
  ASSERT_EQ(EncodeValue(kSynCeString, value::Text{"ab"}, &encoded), 0);
  EXPECT_EQ(encoded, std::string("\x02\0\0\0ab", 6));
}

}  // namespace
}  // namespace recast::service
