// Value records packed into one block: every reference inside it, every field as given.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "platform/client/ValueRecords.h"

namespace recast::client {
namespace {

namespace v = service::value;

struct FreeBlock {
  void operator()(void* p) const { std::free(p); }
};

class Block {
 public:
  explicit Block(std::size_t size) : size_(size), data_(std::malloc(size == 0 ? 1 : size)) {}
  void* get() const { return data_.get(); }
  std::size_t size() const { return size_; }
  // A pointer into the block, with room for bytes bytes from it.
  bool Holds(const void* p, std::size_t bytes) const {
    auto* begin = static_cast<const char*>(data_.get());
    auto* at = static_cast<const char*>(p);
    return at >= begin && at + bytes <= begin + size_;
  }
  bool HoldsText(const char* text) const { return Holds(text, 1) && Holds(text, std::strlen(text) + 1); }

 private:
  std::size_t size_;
  std::unique_ptr<void, FreeBlock> data_;
};

struct Case {
  std::uint32_t syntax;
  service::DirValue value;
  std::function<void(const Block&)> check;  // fields and pointers of the packed record
  bool roundTrips = true;
};

template <class T>
const T& RecordOf(const Block& block) {
  return *static_cast<const T*>(block.get());
}

std::vector<Case> Cases() {
  const std::vector<std::uint8_t> bytes = {1, 2, 3, 0, 255};
  std::vector<Case> cases;
  for (std::uint32_t syntax :
       {kSynDistName, kSynCeString, kSynCiString, kSynPrString, kSynNuString, kSynTelNumber, kSynClassName}) {
    cases.push_back({syntax, v::Text{"CN=x.O=y"}, [](const Block& b) {
                       EXPECT_STREQ(static_cast<const char*>(b.get()), "CN=x.O=y");
                       EXPECT_EQ(b.size(), 9u);
                     }});
  }
  cases.push_back({kSynUnknown, v::Unknown{"", 42, bytes},
                   [&](const Block& b) {
                     const auto& r = RecordOf<UnknownValue>(b);
                     EXPECT_TRUE(b.HoldsText(r.attrName));
                     EXPECT_STREQ(r.attrName, "Odd Attribute");  // the attribute being read
                     EXPECT_EQ(r.syntaxId, 42u);
                     ASSERT_EQ(r.length, 5u);
                     EXPECT_TRUE(b.Holds(r.data, r.length));
                     EXPECT_EQ(r.data[4], 255);
                   },
                   false});
  cases.push_back({kSynUnknown, v::Unknown{"Own Name", 7, {}}, [](const Block& b) {
                     const auto& r = RecordOf<UnknownValue>(b);
                     EXPECT_STREQ(r.attrName, "Own Name");
                     EXPECT_EQ(r.length, 0u);
                   }});
  cases.push_back({kSynCiList, v::CiList{{"one", "two", "three"}}, [](const Block& b) {
                     std::vector<std::string> seen;
                     for (const auto* e = &RecordOf<CiListValue>(b); e != nullptr; e = e->next) {
                       EXPECT_TRUE(b.Holds(e, sizeof *e));
                       EXPECT_TRUE(b.HoldsText(e->text));
                       seen.push_back(e->text);
                     }
                     EXPECT_EQ(seen, (std::vector<std::string>{"one", "two", "three"}));
                   }});
  cases.push_back({kSynBoolean, v::Boolean{true}, [](const Block& b) {
                     EXPECT_EQ(b.size(), 1u);
                     EXPECT_EQ(*static_cast<const std::uint8_t*>(b.get()), 1);
                   }});
  for (std::uint32_t syntax : {kSynInteger, kSynCounter}) {
    cases.push_back({syntax, v::Integer{-5}, [](const Block& b) {
                       EXPECT_EQ(b.size(), 4u);
                       EXPECT_EQ(RecordOf<std::int32_t>(b), -5);
                     }});
  }
  for (std::uint32_t syntax : {kSynTime, kSynInterval}) {
    cases.push_back({syntax, v::Seconds{86400}, [](const Block& b) { EXPECT_EQ(RecordOf<std::uint32_t>(b), 86400u); }});
  }
  cases.push_back({kSynOctetString, v::Octets{bytes}, [](const Block& b) {
                     const auto& r = RecordOf<OctetStringValue>(b);
                     ASSERT_EQ(r.length, 5u);
                     EXPECT_TRUE(b.Holds(r.data, r.length));
                     EXPECT_EQ(r.data[1], 2);
                   }});
  cases.push_back({kSynFaxNumber, v::Fax{"555-1", 16, {0xAB, 0xCD}}, [](const Block& b) {
                     const auto& r = RecordOf<FaxNumberValue>(b);
                     EXPECT_TRUE(b.HoldsText(r.telephoneNumber));
                     EXPECT_STREQ(r.telephoneNumber, "555-1");
                     EXPECT_EQ(r.parameterBits, 16u);
                     EXPECT_TRUE(b.Holds(r.parameters, 2));
                     EXPECT_EQ(r.parameters[1], 0xCD);
                   }});
  cases.push_back({kSynNetAddress, v::NetAddress{1, {10, 0, 0, 1, 1, 0xBB}}, [](const Block& b) {
                     const auto& r = RecordOf<NetAddressValue>(b);
                     EXPECT_EQ(r.addressType, 1u);
                     ASSERT_EQ(r.length, 6u);
                     EXPECT_TRUE(b.Holds(r.address, 6));
                     EXPECT_EQ(r.address[5], 0xBB);
                   }});
  cases.push_back({kSynOctetList, v::OctetList{{{1}, {}, {2, 3}}}, [](const Block& b) {
                     std::vector<std::uint32_t> lengths;
                     for (const auto* e = &RecordOf<OctetListValue>(b); e != nullptr; e = e->next) {
                       EXPECT_TRUE(b.Holds(e, sizeof *e));
                       EXPECT_TRUE(e->length == 0 || b.Holds(e->data, e->length));
                       lengths.push_back(e->length);
                     }
                     EXPECT_EQ(lengths, (std::vector<std::uint32_t>{1, 0, 2}));
                   }});
  cases.push_back({kSynEmailAddress, v::Email{3, "a@b.c"}, [](const Block& b) {
                     const auto& r = RecordOf<EmailAddressValue>(b);
                     EXPECT_EQ(r.addressType, 3u);
                     EXPECT_TRUE(b.HoldsText(r.address));
                     EXPECT_STREQ(r.address, "a@b.c");
                   }});
  cases.push_back({kSynPath, v::Path{4, "SYS", "PUBLIC/x"}, [](const Block& b) {
                     const auto& r = RecordOf<PathValue>(b);
                     EXPECT_EQ(r.nameSpaceType, 4u);
                     EXPECT_TRUE(b.HoldsText(r.volumeName));
                     EXPECT_TRUE(b.HoldsText(r.path));
                     EXPECT_STREQ(r.path, "PUBLIC/x");
                   }});
  cases.push_back({kSynReplicaPointer,
                   v::ReplicaPointer{"FS1.ACME", 1, 2, {v::NetAddress{9, {1, 2}}, v::NetAddress{1, {3}}}},
                   [](const Block& b) {
                     const auto& r = RecordOf<ReplicaPointerValue>(b);
                     EXPECT_STREQ(r.serverName, "FS1.ACME");
                     EXPECT_TRUE(b.HoldsText(r.serverName));
                     EXPECT_EQ(r.replicaNumber, 2u);
                     ASSERT_EQ(r.addressCount, 2u);
                     EXPECT_TRUE(b.Holds(r.addresses, 2 * sizeof(NetAddressValue)));
                     EXPECT_EQ(reinterpret_cast<std::uintptr_t>(r.addresses) % alignof(NetAddressValue), 0u);
                     EXPECT_TRUE(b.Holds(r.addresses[0].address, 2));
                     EXPECT_EQ(r.addresses[1].address[0], 3);
                   }});
  cases.push_back({kSynObjectAcl, v::Acl{"[Entry Rights]", "Admin.ACME", 0x1F}, [](const Block& b) {
                     const auto& r = RecordOf<ObjectAclValue>(b);
                     EXPECT_STREQ(r.protectedAttrName, "[Entry Rights]");
                     EXPECT_TRUE(b.HoldsText(r.subjectName));
                     EXPECT_EQ(r.privileges, 0x1Fu);
                   }});
  cases.push_back({kSynPoAddress, v::PostalAddress{{"a", "", "c", "", "", "f"}}, [](const Block& b) {
                     const auto& r = RecordOf<PostalAddressValue>(b);
                     for (const char* line : r.lines) EXPECT_TRUE(b.HoldsText(line));
                     EXPECT_STREQ(r.lines[5], "f");
                     EXPECT_STREQ(r.lines[1], "");
                   }});
  cases.push_back({kSynTimestamp, v::Timestamp{1700000000, 3, 9}, [](const Block& b) {
                     const auto& r = RecordOf<TimestampValue>(b);
                     EXPECT_EQ(r.wholeSeconds, 1700000000u);
                     EXPECT_EQ(r.eventId, 9);
                   }});
  cases.push_back({kSynBackLink, v::BackLink{77, "FS1.ACME"}, [](const Block& b) {
                     const auto& r = RecordOf<BackLinkValue>(b);
                     EXPECT_EQ(r.remoteId, 77u);
                     EXPECT_TRUE(b.HoldsText(r.objectName));
                   }});
  cases.push_back({kSynTypedName, v::TypedName{"Q1.ACME", 5, 60}, [](const Block& b) {
                     const auto& r = RecordOf<TypedNameValue>(b);
                     EXPECT_STREQ(r.objectName, "Q1.ACME");
                     EXPECT_EQ(r.interval, 60u);
                   }});
  cases.push_back({kSynHold, v::Hold{"Acct.ACME", 250}, [](const Block& b) {
                     const auto& r = RecordOf<HoldValue>(b);
                     EXPECT_TRUE(b.HoldsText(r.objectName));
                     EXPECT_EQ(r.amount, 250u);
                   }});
  cases.push_back({kSynCount + 3, v::Octets{bytes},
                   [](const Block& b) {
                     EXPECT_EQ(b.size(), 5u);
                     EXPECT_EQ(static_cast<const std::uint8_t*>(b.get())[4], 255);
                   },
                   false});
  return cases;
}

TEST(ValueRecordsTest, EverySyntaxPacksIntoOneBlockOfTheComputedSize) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(testing::Message() << "syntax " << c.syntax);
    std::size_t size = 0;
    ASSERT_EQ(PackedValueSize(c.syntax, c.value, "Odd Attribute", &size), 0);
    Block block(size);
    ASSERT_EQ(PackValue(c.syntax, c.value, "Odd Attribute", block.get()), 0);
    c.check(block);
    if (c.roundTrips) {
      service::DirValue back;
      ASSERT_EQ(UnpackRecord(c.syntax, block.get(), &back), 0);
      EXPECT_TRUE(back == c.value);
    }
  }
}

TEST(ValueRecordsTest, FormsOfAnotherSyntaxAreRefused) {
  std::size_t size = 7;
  EXPECT_EQ(PackedValueSize(kSynInteger, v::Text{"12"}, "", &size), kErrBadSyntax);
  EXPECT_EQ(PackedValueSize(kSynCiString, v::Integer{12}, "", &size), kErrBadSyntax);
  EXPECT_EQ(size, 7u);
  service::DirValue value;
  EXPECT_EQ(UnpackRecord(kSynCount, "x", &value), kErrBadSyntax);  // raw records tell no size
  EXPECT_EQ(UnpackRecord(kSynCiString, nullptr, &value), kErrBadArgument);
}

TEST(ValueRecordsTest, ACyclicChainFromACallerIsRefused) {
  CiListValue first{nullptr, "a"};
  CiListValue second{&first, "b"};
  first.next = &second;
  service::DirValue value;
  EXPECT_EQ(UnpackRecord(kSynCiList, &first, &value), kErrBadSyntax);
}

}  // namespace
}  // namespace recast::client
