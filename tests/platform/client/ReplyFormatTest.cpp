// Reply and request decoding: whole replies read back, every truncation refused with a status.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/client/ClientStatus.h"
#include "platform/client/ReplyFormat.h"
#include "platform/client/RequestFormat.h"

namespace recast::client {
namespace {

const std::set<DirStatus> kMalformed = {kErrReplyUnknownKind,   kErrReplyTruncatedNumber, kErrReplyTruncatedText,
                                        kErrReplyCountTooLarge, kErrReplyBadObjectId,     kErrReplyBadInfoType};

// Reads a whole reply in order; the first failing status, or 0.
using ReadAll = std::function<DirStatus(ReplyReader&)>;

std::vector<std::uint8_t> Encode(const std::function<void(ReplyEncoder&)>& fill) {
  std::vector<std::uint8_t> bytes(kMaxBufferSize);
  ReplyEncoder encoder(bytes.data(), bytes.size());
  fill(encoder);
  bytes.resize(encoder.Finish());
  return bytes;
}

// Every prefix of a valid reply fails with a malformed-reply status, never reads past its end
// (the prefix is copied to a buffer of exactly its size, so a sanitizer build sees an overrun).
void ExpectEveryTruncationRefused(const std::vector<std::uint8_t>& full, const ReadAll& read) {
  {
    ReplyReader reader;
    reader.Reset(full.data(), full.size());
    ASSERT_EQ(read(reader), 0);
  }
  for (std::size_t length = 0; length < full.size(); ++length) {
    std::vector<std::uint8_t> prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
    ReplyReader reader;
    reader.Reset(prefix.data(), prefix.size());
    const DirStatus status = read(reader);
    EXPECT_TRUE(kMalformed.count(status) == 1) << "length " << length << " gave " << status;
  }
}

service::EntrySummary Entry(const char* name, const char* cls, std::uint32_t flags) {
  service::EntrySummary entry;
  entry.rdn = {"CN", name};
  entry.baseClass = cls;
  entry.flags = flags;
  entry.subordinateCount = 3;
  entry.modificationTime = 1700000000;
  return entry;
}

TEST(ReplyFormatTest, ListReplyReadsBackAndRefusesEveryTruncation) {
  const auto bytes = Encode([](ReplyEncoder& e) {
    e.Begin(ReplyKind::kList, 0);
    e.AddEntry("Sales", Entry("Sales", "Organizational Unit", kEntryContainer));
    e.AddEntry("clerk1", Entry("clerk1", "User", 0));
  });
  ExpectEveryTruncationRefused(bytes, [](ReplyReader& r) -> DirStatus {
    std::uint32_t n = 0;
    if (DirStatus s = r.ObjectCount(&n); s != 0) return s;
    EXPECT_EQ(n, 2u);
    for (std::uint32_t i = 0; i < n; ++i) {
      std::string_view name;
      std::uint32_t attrs = 0;
      ObjectInfo info;
      if (DirStatus s = r.ObjectName(&name, &attrs, &info); s != 0) return s;
      if (i == 0) {
        EXPECT_EQ(name, "Sales");
        EXPECT_EQ(info.objectFlags, kEntryContainer);
        EXPECT_EQ(info.subordinateCount, 3u);
        EXPECT_EQ(info.modificationTime, 1700000000u);
        EXPECT_STREQ(info.baseClass, "Organizational Unit");
      }
    }
    std::string_view name;
    EXPECT_EQ(r.ObjectName(&name, nullptr, nullptr), kErrBufferEmpty);
    return 0;
  });
}

TEST(ReplyFormatTest, ExpandedClassReplyReadsBackAndRefusesEveryTruncation) {
  service::ClassDefinition user;
  user.name = "User";
  user.flags = kClassEffective;
  user.asn1Id.length = 3;
  user.asn1Id.data[0] = 0x2A;
  user.superClasses = {"Person", "Top"};
  user.mandatoryAttributes = {"CN", "Surname"};
  user.optionalAttributes = {"Description"};
  service::ClassDefinition empty;
  empty.name = "Top";
  const auto bytes = Encode([&](ReplyEncoder& e) {
    e.Begin(ReplyKind::kClassDefs, 2);
    e.AddClass(user);
    e.AddClass(empty);
  });
  ExpectEveryTruncationRefused(bytes, [](ReplyReader& r) -> DirStatus {
    std::uint32_t n = 0;
    if (DirStatus s = r.ClassDefCount(&n); s != 0) return s;
    std::vector<std::string> items;
    for (std::uint32_t i = 0; i < n; ++i) {
      std::string_view name;
      ClassInfo info;
      if (DirStatus s = r.ClassDef(&name, &info); s != 0) return s;
      for (int kind = 0; kind < 5; ++kind) {
        std::uint32_t m = 0;
        if (DirStatus s = r.ClassItemCount(&m); s != 0) return s;
        for (std::uint32_t j = 0; j < m; ++j) {
          std::string_view item;
          if (DirStatus s = r.ClassItem(&item); s != 0) return s;
          items.emplace_back(item);
        }
      }
    }
    EXPECT_EQ(items, (std::vector<std::string>{"Person", "Top", "CN", "Surname", "Description"}));
    std::uint32_t m = 0;
    EXPECT_EQ(r.ClassItemCount(&m), kErrOutOfTurn);
    return 0;
  });
}

TEST(ReplyFormatTest, ClassReadersOutOfTurn) {
  service::ClassDefinition user;
  user.name = "User";
  user.mandatoryAttributes = {"CN"};
  const auto bytes = Encode([&](ReplyEncoder& e) {
    e.Begin(ReplyKind::kClassDefs, 2);
    e.AddClass(user);
    e.AddClass(user);
  });
  ReplyReader r;
  r.Reset(bytes.data(), bytes.size());
  std::uint32_t n = 0;
  std::string_view name;
  EXPECT_EQ(r.ClassDef(&name, nullptr), kErrOutOfTurn);
  ASSERT_EQ(r.ClassDefCount(&n), 0);
  EXPECT_EQ(r.ClassItemCount(&n), kErrOutOfTurn);
  ASSERT_EQ(r.ClassDef(&name, nullptr), 0);
  EXPECT_EQ(r.ClassDef(&name, nullptr), kErrOutOfTurn);  // its item lists come first
  for (int kind = 0; kind < 3; ++kind) ASSERT_EQ(r.ClassItemCount(&n), 0);
  ASSERT_EQ(r.ClassItemCount(&n), 0);
  ASSERT_EQ(n, 1u);
  // The mandatory list's item is due before the optional list's count.
  EXPECT_EQ(r.ClassItemCount(&n), kErrOutOfTurn);
  ASSERT_EQ(r.ClassItem(&name), 0);
  EXPECT_EQ(name, "CN");
  EXPECT_EQ(r.ClassItemCount(&n), 0);
  EXPECT_EQ(r.ClassDef(&name, nullptr), 0);
}

TEST(ReplyFormatTest, AttrDefinitionReplyRefusesEveryTruncation) {
  service::AttributeDefinition def;
  def.name = "Surname";
  def.flags = kAttrSingleValued | kAttrSized;
  def.syntax = kSynCiString;
  def.lowerBound = 1;
  def.upperBound = 64;
  def.asn1Id.length = 2;
  const auto bytes = Encode([&](ReplyEncoder& e) {
    e.Begin(ReplyKind::kAttrDefs, 1);
    e.AddAttrDef(def);
  });
  ExpectEveryTruncationRefused(bytes, [](ReplyReader& r) -> DirStatus {
    std::uint32_t n = 0;
    if (DirStatus s = r.AttrCount(&n); s != 0) return s;
    std::string_view name;
    AttrInfo info;
    if (DirStatus s = r.AttrDef(&name, &info); s != 0) return s;
    EXPECT_EQ(name, "Surname");
    EXPECT_EQ(info.attrFlags, kAttrSingleValued | kAttrSized);
    EXPECT_EQ(info.upperBound, 64u);
    return 0;
  });
}

TEST(ReplyFormatTest, ObjectReplyRefusesEveryTruncation) {
  const auto bytes = Encode([](ReplyEncoder& e) {
    e.Begin(ReplyKind::kObject, 1);
    e.BeginAttribute("Telephone Number", kSynTelNumber);
    e.AddValue(
        "\x03\x00\x00\x00"
        "555");
    e.AddValue("");
    e.EndAttribute(true);
    e.BeginAttribute("CN", kSynCiString);
    e.AddValue("xy");
    e.EndAttribute(true);
  });
  ExpectEveryTruncationRefused(bytes, [](ReplyReader& r) -> DirStatus {
    std::uint32_t n = 0;
    if (DirStatus s = r.AttrCount(&n); s != 0) return s;
    for (std::uint32_t i = 0; i < n; ++i) {
      std::string_view name, value;
      std::uint32_t count = 0, syntax = 0;
      if (DirStatus s = r.AttrName(&name, &count, &syntax); s != 0) return s;
      for (std::uint32_t j = 0; j < count; ++j) {
        if (DirStatus s = r.PeekValue(&value, &syntax); s != 0) return s;
        if (DirStatus s = r.NextValue(&value, &syntax); s != 0) return s;
      }
      EXPECT_EQ(r.currentAttribute(), name);
    }
    std::string_view value;
    std::uint32_t syntax = 0;
    EXPECT_EQ(r.NextValue(&value, &syntax), kErrBufferEmpty);
    return 0;
  });
}

TEST(ReplyFormatTest, MalformedHeadersHaveTheirOwnStatus) {
  ReplyReader r;
  std::uint32_t n = 0;
  const std::uint8_t unknownKind[] = {9, 0, 0, 0, 0};
  r.Reset(unknownKind, sizeof unknownKind);
  EXPECT_EQ(r.ObjectCount(&n), kErrReplyUnknownKind);
  const std::uint8_t badInfo[] = {2, 7, 0, 0, 0, 0};
  r.Reset(badInfo, sizeof badInfo);
  EXPECT_EQ(r.ClassDefCount(&n), kErrReplyBadInfoType);
  const std::uint8_t hugeCount[] = {1, 0xFF, 0xFF, 0xFF, 0xFF, 0};
  r.Reset(hugeCount, sizeof hugeCount);
  EXPECT_EQ(r.ObjectCount(&n), kErrReplyCountTooLarge);
  std::vector<std::uint8_t> longName = {1, 1, 0, 0, 0};
  longName.resize(longName.size() + 16, 0);
  longName.push_back(0x00);
  longName.push_back(0x01);  // a 256-byte name
  longName.resize(longName.size() + 256, 'a');
  longName.push_back(0);
  longName.push_back(0);
  r.Reset(longName.data(), longName.size());
  ASSERT_EQ(r.ObjectCount(&n), 0);
  std::string_view name;
  EXPECT_EQ(r.ObjectName(&name, nullptr, nullptr), kErrReplyTextTooLong);
  // A reply read with the readers of another kind.
  EXPECT_EQ(r.ClassDefCount(&n), kErrBadVerb);
}

TEST(ReplyFormatTest, EncoderWritesWholeItemsOnly) {
  std::vector<std::uint8_t> bytes(60);
  ReplyEncoder e(bytes.data(), bytes.size());
  ASSERT_TRUE(e.Begin(ReplyKind::kList, 0));
  int added = 0;
  while (e.AddEntry("entry", Entry("entry", "User", 0))) ++added;
  EXPECT_EQ(added, 1);  // 5 + 2 * 29 bytes would not fit into 60
  const std::size_t used = e.Finish();
  ReplyReader r;
  r.Reset(bytes.data(), used);
  std::uint32_t n = 0;
  ASSERT_EQ(r.ObjectCount(&n), 0);
  EXPECT_EQ(n, 1u);
}

TEST(RequestFormatTest, ChangesRoundTripAndTruncationsAreRefused) {
  std::vector<std::uint8_t> bytes(256);
  ByteWriter out(bytes.data(), bytes.size());
  EncodedChange remove{kChangeRemoveAttribute, "Description", false, 0, {}};
  EncodedChange add{kChangeAddValue, "Surname", true, kSynCiString,
                    std::string("\x02\x00\x00\x00"
                                "ab",
                                6)};
  ASSERT_TRUE(PutChangeItem(out, remove));
  ASSERT_TRUE(PutChangeItem(out, add));
  std::vector<EncodedChange> changes;
  ASSERT_EQ(DecodeChangeItems(bytes.data(), out.used(), &changes), 0);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[1].value, add.value);
  EXPECT_FALSE(changes[0].hasValue);
  // A cut after a whole item is a shorter valid request; anywhere else it is refused.
  const std::size_t firstEnd = 4 + 2 + 11 + 1;
  for (std::size_t length = 0; length < out.used(); ++length) {
    std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    const DirStatus status = DecodeChangeItems(prefix.data(), prefix.size(), &changes);
    if (length == 0 || length == firstEnd) {
      EXPECT_EQ(status, 0) << length;
    } else {
      EXPECT_TRUE(status == kErrReplyTruncatedNumber || status == kErrReplyTruncatedText) << length << " " << status;
    }
  }
  bytes[0] = 9;
  EXPECT_EQ(DecodeChangeItems(bytes.data(), out.used(), &changes), kErrRequestBadChange);
  bytes[0] = kChangeRemoveAttribute;
  bytes[firstEnd - 1] = 2;
  EXPECT_EQ(DecodeChangeItems(bytes.data(), out.used(), &changes), kErrRequestBadValueFlag);
}

}  // namespace
}  // namespace recast::client
