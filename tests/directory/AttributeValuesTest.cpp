#include <gtest/gtest.h>

#include <cstddef>

#include "directory/AttributeValues.h"
#include "directory/DirTime.h"
#include "tests/directory/support/PackedValue.h"
#include "tests/directory/support/ScopedEnvironment.h"
#include "tests/directory/support/ScriptedClient.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast {
namespace {

using namespace recast::testing;

std::vector<std::string> Formatted(const PackedValue& value, std::uint32_t syntax, std::string_view attr = "Attr") {
  VectorTaggedList list;
  const auto block = value.Block();
  FormatAttributeValue(block.get(), syntax, value.size(), attr, list);
  return list.Texts();
}

using Texts = std::vector<std::string>;

class FormatValueTest : public ::testing::Test {
 protected:
  ScopedEnvironment environment{{"TZ", "UTC"}, {"LC_ALL", "C"}};
};

TEST_F(FormatValueTest, EverySyntaxRow) {
  EXPECT_EQ(Formatted(UnknownRecord("Ignored", 5, Bytes({0xAB, 0x01})), kSynUnknown, "Read Name"),
            Texts{"Read Name [5] AB01"});
  for (std::uint32_t syntax : {1u, 2u, 3u, 4u, 5u, 10u, 20u}) {
    EXPECT_EQ(Formatted(TextValue("cn=x.o=y"), syntax), Texts{"cn=x.o=y"}) << syntax;
  }
  EXPECT_EQ(Formatted(CiListRecord({"first", "", "third"}), kSynCiList), (Texts{"first", "", "third"}));
  EXPECT_EQ(Formatted(BoolValue(0), kSynBoolean), Texts{"FALSE"});
  EXPECT_EQ(Formatted(BoolValue(2), kSynBoolean), Texts{"TRUE"});
  EXPECT_EQ(Formatted(Int32Value(-5), kSynInteger), Texts{"-5"});
  EXPECT_EQ(Formatted(Int32Value(2147483647), kSynCounter), Texts{"2147483647"});
  EXPECT_EQ(Formatted(Int32Value(-1), kSynCounter), Texts{"-1"});
  EXPECT_EQ(Formatted(OctetRecord(Bytes({1, 0xFE})), kSynOctetString, "Whatever"), Texts{"01FE"});
  EXPECT_EQ(Formatted(OctetRecord(BytesOf(std::string("x\0", 2))), kSynOctetString, "App:Path"), Texts{"x"});
  EXPECT_EQ(Formatted(FaxRecord("+49 30 1234"), kSynFaxNumber), Texts{"+49 30 1234"});
  EXPECT_EQ(Formatted(NetAddressRecord(1, Bytes({10, 0, 0, 1, 0x01, 0xBB})), kSynNetAddress),
            Texts{"(1) 10.0.0.1:443"});
  EXPECT_EQ(Formatted(OctetListRecord({Bytes({1}), Bytes({2, 3})}), kSynOctetList), (Texts{"01", "0203"}));
  EXPECT_EQ(Formatted(EmailRecord(3, "a@b.org"), kSynEmailAddress), Texts{"a@b.org"});
  EXPECT_EQ(Formatted(PathRecord(4, "SYS", "\\PUBLIC"), kSynPath), Texts{"(4) SYS:\\PUBLIC"});
  EXPECT_EQ(Formatted(ReplicaRecord("SRV1.org", 1, 3), kSynReplicaPointer), Texts{"SRV1.org [Type: 1] [Nr: 3]"});
  EXPECT_EQ(Formatted(AclRecord("[Entry Rights]", "admin.org", 0x09), kSynObjectAcl),
            Texts{"[B  R I] admin.org / \"[Entry Rights]\""});
  EXPECT_EQ(Formatted(AclRecord("[All Attributes Rights]", "[Public]", 0x43), kSynObjectAcl),
            Texts{"[CR    ] [Public] / \"[All Attributes Rights]\""});
  EXPECT_EQ(Formatted(AclRecord("[entry rights]", "x", 0x02), kSynObjectAcl),  // case counts
            Texts{"[ R   I] x / \"[entry rights]\""});
  EXPECT_EQ(Formatted(PostalRecord({"Main St 1", "", "Springfield"}), kSynPoAddress),
            (Texts{"Main St 1", "", "Springfield", "", "", ""}));
  EXPECT_EQ(Formatted(TimestampRecord(0), kSynTimestamp), Texts{"01/01/70 00:00:00"});
  EXPECT_EQ(Formatted(UInt32Value(86400), kSynTime), Texts{"01/02/70 00:00:00"});
  EXPECT_EQ(Formatted(BackLinkRecord(7, "srv.org"), kSynBackLink), Texts{"srv.org"});
  EXPECT_EQ(Formatted(TypedNameRecord("job.org", 1, 2), kSynTypedName), Texts{"job.org"});
  EXPECT_EQ(Formatted(HoldRecord("q.org", 12), kSynHold), Texts{"q.org (12)"});
  EXPECT_EQ(Formatted(UInt32Value(0), kSynInterval), Texts{"0 sec"});
  EXPECT_EQ(Formatted(UInt32Value(90061), kSynInterval), Texts{"1 days, 1 h, 1 min, 1 sec"});
  EXPECT_EQ(Formatted(RawValue(Bytes({1, 2, 0xFF})), 30), Texts{"[1E] 0102FF"});
  EXPECT_EQ(Formatted(RawValue(Bytes({})), 28), Texts{"[1C] "});
}

TEST_F(FormatValueTest, TimesAreShownInLocalTime) {
  ScopedEnvironment zone{{"TZ", "EST5"}};
  EXPECT_EQ(Formatted(TimestampRecord(0), kSynTimestamp), Texts{"12/31/69 19:00:00"});
  EXPECT_EQ(Formatted(UInt32Value(0), kSynTime), Texts{"12/31/69 19:00:00"});
}

TEST_F(FormatValueTest, MalformedRecordsBecomeAnErrorEntryInsteadOfAStrayRead) {
  // A reference that points past the block.
  PackedValue outside = OctetRecord(Bytes({1, 2}));
  outside.Point(offsetof(OctetStringValue, data), outside.size() + 64);
  EXPECT_EQ(Formatted(outside, kSynOctetString), Texts{"Malformed value of syntax 9"});

  // A length that claims more bytes than the block holds.
  PackedValue longer = OctetRecord(Bytes({1, 2}));
  const std::uint32_t length = 1000;
  std::memcpy(longer.raw().data() + offsetof(OctetStringValue, length), &length, sizeof length);
  EXPECT_EQ(Formatted(longer, kSynOctetString), Texts{"Malformed value of syntax 9"});

  // A chain that loops back to its own start.
  PackedValue loop = CiListRecord({"a"});
  loop.Point(offsetof(CiListValue, next), 0);
  EXPECT_EQ(Formatted(loop, kSynCiList), Texts{"Malformed value of syntax 6"});

  // A block smaller than the record of its syntax.
  EXPECT_EQ(Formatted(RawValue(Bytes({1, 2})), kSynPath), Texts{"Malformed value of syntax 15"});
  EXPECT_EQ(Formatted(RawValue(Bytes({})), kSynInteger), Texts{"Malformed value of syntax 8"});

  // Unknown syntax data longer than the block is cut at the block.
  PackedValue unknown = UnknownRecord("x", 1, Bytes({0xAA}));
  const std::uint32_t claimed = 50;
  std::memcpy(unknown.raw().data() + offsetof(UnknownValue, length), &claimed, sizeof claimed);
  const Texts texts = Formatted(unknown, kSynUnknown, "A");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_TRUE(texts[0].starts_with("A [1] AA")) << texts[0];
}

TEST_F(FormatValueTest, TextWithoutTerminatorEndsAtTheBlock) {
  PackedValue text = RawValue(BytesOf("abc"));
  EXPECT_EQ(Formatted(text, kSynCiString), Texts{"abc"});
}

class ReadValuesTest : public ::testing::Test {
 protected:
  ReadValuesTest() : session(client, ui, "/nonexistent.so") {
    ctx = client.NewContext();
    ScriptedClient::Object user;
    ScriptedClient::Attribute phones{"Telephone Number", kSynTelNumber, {}};
    for (const char* p : {"1", "2", "3", "4", "5"}) phones.values.push_back(TextValue(p));
    user.attributes.push_back(std::move(phones));
    ScriptedClient::Attribute address{"Postal Address", kSynPoAddress, {}};
    address.values.push_back(PostalRecord({"Line 1", "Line 2"}));
    user.attributes.push_back(std::move(address));
    ScriptedClient::Attribute description{"Description", kSynCiString, {}};
    description.values.push_back(TextValue("first\r\n"));
    description.values.push_back(TextValue("second\r\n\r\n"));
    user.attributes.push_back(std::move(description));
    ScriptedClient::Attribute cn{"CN", kSynCiString, {}};
    cn.values.push_back(TextValue("clerk"));
    user.attributes.push_back(std::move(cn));
    ScriptedClient::Attribute empty{"Title", kSynCiString, {}};
    empty.values.push_back(TextValue(""));
    user.attributes.push_back(std::move(empty));
    ScriptedClient::Attribute script{"Login Script", kSynStream, {}};
    user.attributes.push_back(std::move(script));
    client.objects["clerk.org"] = user;
    client.streams["clerk.org|Login Script"] = "MAP F:=SYS:";

    ScriptedClient::Object alias;
    alias.aliasOf = "clerk.org";
    ScriptedClient::Attribute target{"Aliased Object Name", kSynDistName, {}};
    target.values.push_back(TextValue("clerk.org"));
    alias.attributes.push_back(std::move(target));
    ScriptedClient::Attribute aliasCn{"CN", kSynCiString, {}};
    aliasCn.values.push_back(TextValue("alias"));
    alias.attributes.push_back(std::move(aliasCn));
    client.objects["alias.org"] = alias;
  }

  ScriptedClient client;
  ScriptedUserInterface ui;
  DirectorySession session;
  DirContext ctx = kNoContext;
  VectorTaggedList values;
};

TEST_F(ReadValuesTest, EveryValueInOrderAcrossSeveralReplies) {
  client.valuesPerReply = 2;
  EXPECT_EQ(ReadAttributeValues(session, ctx, "clerk.org", "telephone number", values), 0);
  EXPECT_EQ(values.Texts(), (Texts{"1", "2", "3", "4", "5"}));
  EXPECT_EQ(client.objectReads.size(), 3u);
  EXPECT_EQ(client.allocatedSizes, (std::vector<std::uint32_t>{kDefaultBufferSize, kMaxBufferSize}));
  EXPECT_EQ(client.liveBuffers(), 0);
  EXPECT_EQ(client.contexts.size(), 1u);
}

TEST_F(ReadValuesTest, JoinedTextDropsOnlyTrailingLineBreaks) {
  std::string text;
  EXPECT_EQ(GetAttributeValueText(session, ctx, "clerk.org", "Telephone Number", &text), 0);
  EXPECT_EQ(text, "1\r\n2\r\n3\r\n4\r\n5");
  EXPECT_EQ(GetAttributeValueText(session, ctx, "clerk.org", "Postal Address", &text), 0);
  EXPECT_EQ(text, "Line 1\r\nLine 2");
  EXPECT_EQ(GetAttributeValueText(session, ctx, "clerk.org", "Description", &text), 0);
  EXPECT_EQ(text, "first\r\n\r\nsecond");
  EXPECT_EQ(GetAttributeValueText(session, ctx, "clerk.org", "Title", &text), 0);
  EXPECT_EQ(text, "");  // valued, but counts as unvalued for the caller
  // Whether the joined text is empty is known without joining, the same way.
  for (const std::vector<std::string>& texts :
       std::vector<std::vector<std::string>>{{}, {""}, {"\r\n", "\n"}, {"a"}, {"", "\r\nb"}, {"\r", "x\r\n"}}) {
    VectorTaggedList values;
    for (const std::string& t : texts) values.Add(t, 0);
    EXPECT_EQ(JoinedValueTextEmpty(values), JoinValueText(values).empty()) << ::testing::PrintToString(texts);
  }
}

TEST_F(ReadValuesTest, MissingObjectOrAttributeAppendsNothing) {
  EXPECT_EQ(ReadAttributeValues(session, ctx, "nobody.org", "CN", values), kErrNoSuchEntry);
  EXPECT_EQ(ReadAttributeValues(session, ctx, "clerk.org", "Surname", values), kErrNoSuchAttribute);
  std::string text = "stale";
  EXPECT_EQ(GetAttributeValueText(session, ctx, "clerk.org", "Surname", &text), kErrNoSuchAttribute);
  EXPECT_EQ(text, "");
  EXPECT_EQ(values.Count(), 0);
  EXPECT_EQ(client.liveBuffers(), 0);
  EXPECT_EQ(client.contexts.size(), 1u);
}

TEST_F(ReadValuesTest, AliasedObjectNameIsReadFromTheAliasItself) {
  client.contexts[ctx].flags = kFlagDerefAliases | kFlagTypelessNames;
  EXPECT_EQ(ReadAttributeValues(session, ctx, "alias.org", "aliased OBJECT name", values), 0);
  EXPECT_EQ(values.Texts(), Texts{"clerk.org"});
  EXPECT_EQ(client.objectReads.back().flags, kFlagTypelessNames);
  // Any other attribute follows the caller's own alias setting.
  values.Clear();
  EXPECT_EQ(ReadAttributeValues(session, ctx, "alias.org", "CN", values), 0);
  EXPECT_EQ(values.Texts(), Texts{"clerk"});
  EXPECT_EQ(client.objectReads.back().flags, kFlagDerefAliases | kFlagTypelessNames);
  // The caller's context is as it was.
  EXPECT_EQ(client.contexts[ctx].flags, kFlagDerefAliases | kFlagTypelessNames);
  EXPECT_EQ(client.contexts.size(), 1u);

  client.contexts[ctx].flags = kFlagTypelessNames;
  values.Clear();
  EXPECT_EQ(ReadAttributeValues(session, ctx, "alias.org", "CN", values), 0);
  EXPECT_EQ(values.Texts(), Texts{"alias"});
}

TEST_F(ReadValuesTest, StreamAttributeIsReadThroughTheStream) {
  EXPECT_EQ(ReadAttributeValues(session, ctx, "clerk.org", "login script", values), 0);
  EXPECT_EQ(values.Texts(), Texts{"Stream (11 bytes):\r\nMAP F:=SYS:"});
  client.FailNext("OpenStream", {kErrNoAccess});
  values.Clear();
  EXPECT_EQ(ReadAttributeValues(session, ctx, "clerk.org", "Login Script", values), kErrNoAccess);
  EXPECT_EQ(values.Count(), 0);
}

TEST_F(ReadValuesTest, AFailedValueReadSkipsThatValueOnly) {
  for (const char* reader : {"ComputeAttrValSize", "GetAttrVal"}) {
    client.FailNext(reader, {0, kErrBadSyntax});
    values.Clear();
    EXPECT_EQ(ReadAttributeValues(session, ctx, "clerk.org", "Telephone Number", values), 0) << reader;
    EXPECT_EQ(values.Texts(), (Texts{"1", "3", "4", "5"})) << reader;
  }
}

}  // namespace
}  // namespace recast
