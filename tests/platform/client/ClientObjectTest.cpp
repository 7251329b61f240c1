// Object reads with value records, changes, the class change and streams.
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ClientFixture.h"
#include "platform/client/ClientStatus.h"
#include "platform/service/ValueCodec.h"

namespace recast::client::testing {
namespace {

class ClientObjectTest : public ClientTest {
 protected:
  // The values of attr as texts (text syntaxes), read pass by pass like the directory layer.
  DirStatus ReadTexts(DirContext ctx, const char* object, const char* attr, std::vector<std::string>* texts,
                      std::uint32_t bufferSize = kMaxBufferSize, int* passes = nullptr) {
    DirBuffer request = kNoBuffer, reply = kNoBuffer;
    EXPECT_EQ(client->AllocBuffer(kDefaultBufferSize, &request), 0);
    EXPECT_EQ(client->InitBuffer(ctx, kOpReadObject, request), 0);
    EXPECT_EQ(client->PutAttrName(ctx, request, attr), 0);
    EXPECT_EQ(client->AllocBuffer(bufferSize, &reply), 0);
    IterationHandle handle = kNoIteration;
    DirStatus s = 0;
    if (passes != nullptr) *passes = 0;
    do {
      s = client->ReadObject(ctx, object, kObjectInfoValues, false, request, &handle, reply);
      if (s != 0) break;
      if (passes != nullptr) ++*passes;
      std::uint32_t attrs = 0, count = 0, syntax = 0;
      char name[kMaxSchemaNameBytes];
      EXPECT_EQ(client->GetAttrCount(ctx, reply, &attrs), 0);
      EXPECT_EQ(attrs, 1u);
      EXPECT_EQ(client->GetAttrName(ctx, reply, name, &count, &syntax), 0);
      for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t size = 0;
        EXPECT_EQ(client->ComputeAttrValSize(ctx, reply, syntax, &size), 0);
        std::unique_ptr<char, decltype(&std::free)> block(static_cast<char*>(std::malloc(size)), &std::free);
        EXPECT_EQ(client->GetAttrVal(ctx, reply, syntax, block.get()), 0);
        texts->emplace_back(block.get(), size - 1);
      }
    } while (handle != kNoIteration);
    client->FreeBuffer(request);
    client->FreeBuffer(reply);
    return s;
  }

  // Sends one request built by fill.
  DirStatus Modify(DirContext ctx, const char* object, const std::function<void(DirBuffer)>& fill) {
    DirBuffer request = kNoBuffer;
    EXPECT_EQ(client->AllocBuffer(kDefaultBufferSize, &request), 0);
    EXPECT_EQ(client->InitBuffer(ctx, kOpModifyObject, request), 0);
    fill(request);
    IterationHandle handle = kNoIteration;
    const DirStatus s = client->ModifyObject(ctx, object, &handle, 0, request);
    client->FreeBuffer(request);
    return s;
  }

  std::vector<std::string> Texts(DirContext ctx, const char* object, const char* attr) {
    std::vector<std::string> texts;
    ReadTexts(ctx, object, attr, &texts);
    return texts;
  }
};

TEST_F(ClientObjectTest, NamesResolveRelativeAbsoluteAndClimbing) {
  DirContext ctx = Start();
  SetNameContext(ctx, "Sales.ACME");
  const std::vector<std::string> clerkSurname = {"Surname of Clerk1"};
  EXPECT_EQ(Texts(ctx, "Clerk1", "Surname"), clerkSurname);
  EXPECT_EQ(Texts(ctx, "CN=Clerk1", "Surname"), clerkSurname);
  EXPECT_EQ(Texts(ctx, ".CN=Clerk1.OU=Sales.O=ACME", "Surname"), clerkSurname);
  EXPECT_EQ(Texts(ctx, "Admin.", "Surname"), (std::vector<std::string>{"Surname of Admin"}));
  std::vector<std::string> texts;
  EXPECT_EQ(ReadTexts(ctx, "Admin", "Surname", &texts), kErrNoSuchEntry);
  EXPECT_EQ(ReadTexts(ctx, "OU=Clerk1", "Surname", &texts), kErrNoSuchEntry);  // the wrong type
  EXPECT_EQ(ReadTexts(ctx, "Clerk1....", "Surname", &texts), kErrBadName);
  EXPECT_TRUE(texts.empty());
}

TEST_F(ClientObjectTest, AliasesAreFollowedOnlyWithTheFlag) {
  DirContext ctx = Start();
  SetNameContext(ctx, "Sales.ACME");
  EXPECT_EQ(Texts(ctx, "Clerk\\.Alias", "Surname"), (std::vector<std::string>{"Surname of Clerk1"}));
  std::uint32_t flags = kFlagTypelessNames;
  ASSERT_EQ(client->SetContextValue(ctx, kKeyFlags, &flags), 0);
  EXPECT_EQ(Texts(ctx, "Clerk\\.Alias", "Aliased Object Name"),
            (std::vector<std::string>{"CN=Clerk1.OU=Sales.O=ACME"}));
  std::vector<std::string> texts;
  EXPECT_EQ(ReadTexts(ctx, "Clerk\\.Alias", "Surname", &texts), kErrNoSuchAttribute);
}

TEST_F(ClientObjectTest, ManyValuesArriveInSeveralPassesInOrder) {
  DirContext ctx = Start();
  MemoryService* acme = Acme();
  const service::EntryName clerk = {Part("CN", "Clerk1"), Part("OU", "Sales"), Part("O", "ACME")};
  std::vector<std::string> expected;
  for (int i = 0; i < 600; ++i) {
    expected.push_back("description number " + std::to_string(i));
    acme->AddValue(clerk, "Description", service::value::Text{expected.back()});
  }
  std::vector<std::string> texts;
  int passes = 0;
  ASSERT_EQ(ReadTexts(ctx, ".Clerk1.Sales.ACME", "Description", &texts, kDefaultBufferSize, &passes), 0);
  EXPECT_EQ(texts, expected);
  EXPECT_GT(passes, 3);

  // Values larger than the whole reply buffer arrive whole, in order with the small ones.
  texts.clear();
  expected = {"small", std::string(5000, 'x'), std::string(200000, 'y'), "last"};
  for (const std::string& text : expected) acme->AddValue(clerk, "Telephone Number", service::value::Text{text});
  expected.insert(expected.begin(), {"555-0101", "555-0102"});
  ASSERT_EQ(ReadTexts(ctx, ".Clerk1.Sales.ACME", "Telephone Number", &texts, kDefaultBufferSize), 0);
  EXPECT_EQ(texts, expected);
}

TEST_F(ClientObjectTest, ValueReadersCheckTheSyntaxAndTheirTurn) {
  DirContext ctx = Start();
  DirBuffer request = kNoBuffer, reply = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &request), 0);
  ASSERT_EQ(client->AllocBuffer(kMaxBufferSize, &reply), 0);
  ASSERT_EQ(client->InitBuffer(ctx, kOpReadObject, request), 0);
  ASSERT_EQ(client->PutAttrName(ctx, request, "Telephone Number"), 0);
  ASSERT_EQ(client->PutAttrName(ctx, request, "Surname"), 0);
  IterationHandle handle = kNoIteration;
  ASSERT_EQ(client->ReadObject(ctx, ".Clerk1.Sales.ACME", kObjectInfoValues, false, request, &handle, reply), 0);
  std::uint32_t attrs = 0, count = 0, syntax = 0, size = 0;
  char name[kMaxSchemaNameBytes];
  EXPECT_EQ(client->ComputeAttrValSize(ctx, reply, kSynTelNumber, &size), kErrOutOfTurn);
  ASSERT_EQ(client->GetAttrCount(ctx, reply, &attrs), 0);
  EXPECT_EQ(attrs, 2u);
  ASSERT_EQ(client->GetAttrName(ctx, reply, name, &count, &syntax), 0);
  EXPECT_STREQ(name, "Telephone Number");
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(syntax, kSynTelNumber);
  EXPECT_EQ(client->GetAttrName(ctx, reply, name, &count, &syntax), kErrOutOfTurn);  // values first
  EXPECT_EQ(client->ComputeAttrValSize(ctx, reply, kSynInteger, &size), kErrBadSyntax);
  ASSERT_EQ(client->ComputeAttrValSize(ctx, reply, kSynTelNumber, &size), 0);
  EXPECT_EQ(size, 9u);
  EXPECT_EQ(client->GetAttrVal(ctx, reply, kSynTelNumber, nullptr), kErrBadArgument);
  std::vector<char> value(size);
  ASSERT_EQ(client->GetAttrVal(ctx, reply, kSynTelNumber, value.data()), 0);
  EXPECT_STREQ(value.data(), "555-0101");  // the refused calls consumed nothing
  ASSERT_EQ(client->GetAttrVal(ctx, reply, kSynTelNumber, value.data()), 0);
  ASSERT_EQ(client->GetAttrName(ctx, reply, name, &count, &syntax), 0);
  EXPECT_STREQ(name, "Surname");
  ASSERT_EQ(client->ComputeAttrValSize(ctx, reply, syntax, &size), 0);
  std::vector<char> surname(size);
  ASSERT_EQ(client->GetAttrVal(ctx, reply, syntax, surname.data()), 0);
  EXPECT_EQ(client->GetAttrVal(ctx, reply, syntax, surname.data()), kErrBufferEmpty);

  // None of the named attributes has a value.
  ASSERT_EQ(client->InitBuffer(ctx, kOpReadObject, request), 0);
  ASSERT_EQ(client->PutAttrName(ctx, request, "Postal Address"), 0);
  ASSERT_EQ(client->PutAttrName(ctx, request, "Shoe Size"), 0);
  EXPECT_EQ(client->ReadObject(ctx, ".Clerk1.Sales.ACME", kObjectInfoValues, false, request, &handle, reply),
            kErrNoSuchAttribute);
  client->FreeBuffer(request);
  client->FreeBuffer(reply);
}

TEST_F(ClientObjectTest, AValueThatCannotBeHandedOverIsConsumedAndSkipped) {
  DirContext ctx = Start();
  const service::EntryName clerk = {Part("CN", "Clerk1"), Part("OU", "Sales"), Part("O", "ACME")};
  for (const char* text : {"one", "bad", "three", "bad", "five"}) {
    const std::string value = std::string_view(text) == "bad" ? std::string("b\0d", 3) : text;
    Acme()->AddValue(clerk, "Description", service::value::Text{value});
  }
  DirBuffer request = kNoBuffer, reply = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &request), 0);
  ASSERT_EQ(client->AllocBuffer(kMaxBufferSize, &reply), 0);
  ASSERT_EQ(client->InitBuffer(ctx, kOpReadObject, request), 0);
  ASSERT_EQ(client->PutAttrName(ctx, request, "Description"), 0);
  IterationHandle handle = kNoIteration;
  ASSERT_EQ(client->ReadObject(ctx, ".Clerk1.Sales.ACME", kObjectInfoValues, false, request, &handle, reply), 0);
  std::uint32_t attrs = 0, count = 0, syntax = 0, size = 0;
  char name[kMaxSchemaNameBytes];
  ASSERT_EQ(client->GetAttrCount(ctx, reply, &attrs), 0);
  ASSERT_EQ(client->GetAttrName(ctx, reply, name, &count, &syntax), 0);
  EXPECT_EQ(count, 5u);
  std::vector<std::string> read;
  std::vector<DirStatus> statuses;
  char value[16];
  for (std::uint32_t i = 0; i < count; ++i) {
    // The first bad value fails its sizing, the second its read; both are consumed.
    DirStatus s = i == 3 ? 0 : client->ComputeAttrValSize(ctx, reply, syntax, &size);
    if (s == 0) s = client->GetAttrVal(ctx, reply, syntax, value);
    statuses.push_back(s);
    if (s == 0) read.emplace_back(value);
  }
  EXPECT_EQ(read, (std::vector<std::string>{"one", "three", "five"}));
  EXPECT_EQ(statuses,
            (std::vector<DirStatus>{0, service::kErrValueTruncatedLength, 0, service::kErrValueTruncatedLength, 0}));
  EXPECT_EQ(client->GetAttrVal(ctx, reply, syntax, value), kErrBufferEmpty);
  client->FreeBuffer(request);
  client->FreeBuffer(reply);
}

TEST_F(ClientObjectTest, AllAttributesWithNamesOnly) {
  DirContext ctx = Start();
  DirBuffer reply = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kMaxBufferSize, &reply), 0);
  IterationHandle handle = kNoIteration;
  ASSERT_EQ(client->ReadObject(ctx, ".Clerk1.Sales.ACME", 0, true, kNoBuffer, &handle, reply), 0);
  std::uint32_t attrs = 0, count = 9, syntax = 0;
  ASSERT_EQ(client->GetAttrCount(ctx, reply, &attrs), 0);
  std::vector<std::string> names;
  for (std::uint32_t i = 0; i < attrs; ++i) {
    char name[kMaxSchemaNameBytes];
    ASSERT_EQ(client->GetAttrName(ctx, reply, name, &count, &syntax), 0);
    EXPECT_EQ(count, 0u);
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Object Class", "CN", "Surname", "Telephone Number"}));
  client->FreeBuffer(reply);
}

TEST_F(ClientObjectTest, ModifyAppliesAllChangesOrNone) {
  DirContext ctx = Start();
  const char* clerk = ".Clerk1.Sales.ACME";
  ASSERT_EQ(Modify(ctx, clerk,
                   [&](DirBuffer request) {
                     EXPECT_EQ(client->PutChange(ctx, request, kChangeRemoveAttribute, "Telephone Number"), 0);
                     EXPECT_EQ(
                         client->PutChangeAndValue(ctx, request, kChangeAddValue, "Description", kSynCiString, "new"),
                         0);
                   }),
            0);
  EXPECT_EQ(Texts(ctx, clerk, "Description"), (std::vector<std::string>{"new"}));
  std::vector<std::string> texts;
  EXPECT_EQ(ReadTexts(ctx, clerk, "Telephone Number", &texts), kErrNoSuchAttribute);

  // A removal of a mandatory attribute fails, and the addition in the same request is undone.
  EXPECT_EQ(Modify(ctx, clerk,
                   [&](DirBuffer request) {
                     client->PutChangeAndValue(ctx, request, kChangeAddValue, "Description", kSynCiString, "second");
                     client->PutChange(ctx, request, kChangeRemoveAttribute, "Surname");
                   }),
            kErrMissingMandatory);
  EXPECT_EQ(Texts(ctx, clerk, "Description"), (std::vector<std::string>{"new"}));

  EXPECT_EQ(Modify(ctx, clerk,
                   [&](DirBuffer request) {
                     client->PutChangeAndValue(ctx, request, kChangeAddValue, "Surname", kSynCiString, "Two");
                   }),
            kErrCannotHaveMultipleValues);
  EXPECT_EQ(Modify(ctx, clerk,
                   [&](DirBuffer request) {
                     client->PutChangeAndValue(ctx, request, kChangeAddValue, "Description", kSynCiString, "new");
                   }),
            kErrDuplicateValue);
  // A request without a change still names an existing object.
  EXPECT_EQ(Modify(ctx, clerk, [](DirBuffer) {}), 0);
  EXPECT_EQ(Modify(ctx, ".Nobody.Sales.ACME", [](DirBuffer) {}), kErrNoSuchEntry);

  // The read-only login of the second tree.
  ASSERT_EQ(client->SetContextValue(ctx, kKeyTreeName, "LAB"), 0);
  EXPECT_EQ(
      Modify(ctx, ".Clerk1.Sales.LAB",
             [&](DirBuffer request) { client->PutChange(ctx, request, kChangeRemoveAttribute, "Telephone Number"); }),
      kErrNoAccess);
}

TEST_F(ClientObjectTest, ChangeRequestsAreCheckedWhenWritten) {
  DirContext ctx = Start();
  DirBuffer request = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &request), 0);
  EXPECT_EQ(client->PutChange(ctx, request, kChangeRemoveAttribute, "Surname"), kErrBadVerb);
  ASSERT_EQ(client->InitBuffer(ctx, kOpModifyObject, request), 0);
  EXPECT_EQ(client->PutChange(ctx, request, kChangeAddValue, "Surname"), kErrBadArgument);  // needs a value
  EXPECT_EQ(client->PutChange(ctx, request, 8, "Surname"), kErrBadArgument);
  EXPECT_EQ(client->PutChangeAndValue(ctx, request, kChangeAddValue, "Surname", kSynCiString, nullptr),
            kErrBadArgument);
  std::int32_t number = 5;
  EXPECT_EQ(client->PutChangeAndValue(ctx, request, kChangeAddValue, "Surname", kSynCount + 1, &number), kErrBadSyntax);
  IterationHandle handle = 3;
  EXPECT_EQ(client->ModifyObject(ctx, ".Clerk1.Sales.ACME", &handle, 0, request), kErrBadIteration);

  const std::string big(1000, 'v');
  int put = 0;
  DirStatus s = 0;
  while ((s = client->PutChangeAndValue(ctx, request, kChangeAddValue, "Description", kSynCiString, big.c_str())) ==
         0) {
    ++put;
  }
  EXPECT_EQ(s, kErrBufferFull);
  EXPECT_EQ(put, 3);  // about 1030 bytes each
  client->FreeBuffer(request);
}

TEST_F(ClientObjectTest, ClassChangeSucceedsOnlyWhenTheObjectFits) {
  DirContext ctx = Start();
  const char* clerk = ".Clerk1.Sales.ACME";
  EXPECT_EQ(client->NWDSMutateObject(ctx, clerk, "Group", 0), kErrIllegalAttribute);
  EXPECT_EQ(client->NWDSMutateObject(ctx, clerk, "Planet", 0), kErrNoSuchClass);
  EXPECT_EQ(client->NWDSMutateObject(ctx, ".Nobody.ACME", "Group", 0), kErrNoSuchEntry);
  EXPECT_EQ(Texts(ctx, clerk, "Object Class"), (std::vector<std::string>{"User"}));
  ASSERT_EQ(Modify(ctx, clerk,
                   [&](DirBuffer request) {
                     client->PutChange(ctx, request, kChangeRemoveAttribute, "Surname");
                     client->PutChange(ctx, request, kChangeRemoveAttribute, "Telephone Number");
                   }),
            kErrMissingMandatory);  // Surname is mandatory for a User
  services["ACME"]->AddValue({Part("CN", "Clerk1"), Part("OU", "Sales"), Part("O", "ACME")}, "Member",
                             service::value::Text{"CN=Admin.O=ACME"});
  EXPECT_EQ(client->NWDSMutateObject(ctx, clerk, "Group", 0), kErrIllegalAttribute);

  // An object whose attributes all fit the new class.
  const service::EntryName team = {Part("CN", "Team"), Part("OU", "Sales"), Part("O", "ACME")};
  MemoryService* acme = services["ACME"];
  ASSERT_EQ(acme->AddEntry(team, "User"), 0);
  acme->AddValue(team, "Object Class", service::value::Text{"User"});
  acme->AddValue(team, "CN", service::value::Text{"Team"});
  ASSERT_EQ(client->NWDSMutateObject(ctx, ".Team.Sales.ACME", "Group", 0), 0);
  EXPECT_EQ(Texts(ctx, ".Team.Sales.ACME", "Object Class"), (std::vector<std::string>{"Group", "Top"}));
  // The read-only login may not.
  ASSERT_EQ(client->SetContextValue(ctx, kKeyTreeName, "LAB"), 0);
  EXPECT_EQ(client->NWDSMutateObject(ctx, ".Admin.LAB", "User", 0), kErrNoAccess);
}

TEST_F(ClientObjectTest, StreamsArriveWholeThroughADescriptor) {
  DirContext ctx = Start();
  MemoryService* acme = Acme();
  std::vector<std::uint8_t> content(100000);
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7);
  acme->AddValue({Part("CN", "Clerk1"), Part("OU", "Sales"), Part("O", "ACME")}, "Login Script",
                 service::value::Octets{content});
  int fd = -1;
  ASSERT_EQ(client->OpenStream(ctx, ".Clerk1.Sales.ACME", "Login Script", 1, &fd), 0);
  std::vector<std::uint8_t> read(content.size() + 10);
  std::size_t total = 0;
  for (ssize_t n; (n = ::read(fd, read.data() + total, read.size() - total)) > 0;) total += static_cast<std::size_t>(n);
  ::close(fd);
  read.resize(total);
  EXPECT_EQ(read, content);

  // In an object reply a stream's values are empty: the content comes only from the stream.
  std::vector<std::string> texts;
  DirBuffer reply = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kMaxBufferSize, &reply), 0);
  DirBuffer request = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &request), 0);
  ASSERT_EQ(client->InitBuffer(ctx, kOpReadObject, request), 0);
  ASSERT_EQ(client->PutAttrName(ctx, request, "Login Script"), 0);
  IterationHandle handle = kNoIteration;
  ASSERT_EQ(client->ReadObject(ctx, ".Clerk1.Sales.ACME", kObjectInfoValues, false, request, &handle, reply), 0);
  std::uint32_t attrs = 0, count = 0, syntax = 0, size = 1;
  char name[kMaxSchemaNameBytes];
  ASSERT_EQ(client->GetAttrCount(ctx, reply, &attrs), 0);
  ASSERT_EQ(client->GetAttrName(ctx, reply, name, &count, &syntax), 0);
  EXPECT_EQ(syntax, kSynStream);
  ASSERT_EQ(client->ComputeAttrValSize(ctx, reply, syntax, &size), 0);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(client->GetAttrVal(ctx, reply, syntax, nullptr), 0);
  client->FreeBuffer(reply);
  client->FreeBuffer(request);

  EXPECT_EQ(client->OpenStream(ctx, ".Admin.ACME", "Login Script", 1, &fd), kErrNoSuchAttribute);
  EXPECT_EQ(client->OpenStream(ctx, ".Clerk1.Sales.ACME", "Login Script", 2, &fd), kErrNotSupported);
}

TEST_F(ClientObjectTest, AnImportOfATextThatIsNotAnExportSendsNothing) {
  DirContext ctx = Start();
  SetNameContext(ctx, "Sales.ACME");
  std::string exported;
  ASSERT_EQ(client->ExportAttributeValues(ctx, "Clerk1", "Telephone Number", &exported), 0);
  ASSERT_EQ(Modify(ctx, "Clerk1",
                   [&](DirBuffer request) {
                     EXPECT_EQ(client->PutChange(ctx, request, kChangeRemoveAttribute, "Telephone Number"), 0);
                   }),
            0);
  std::vector<std::string> bad = {"v2" + exported.substr(2),
                                  "v1;010" + exported.substr(5),
                                  exported + ",",
                                  exported + " ",
                                  "v1;7" + exported.substr(5),
                                  exported.substr(0, 6) + "," + exported.substr(6)};
  // Every cut of the text, but the one that leaves whole values.
  for (std::size_t cut = 0; cut < exported.size(); ++cut) {
    if (exported[cut] != ',') bad.push_back(exported.substr(0, cut));
  }
  std::vector<std::string> texts;
  for (const std::string& text : bad) {
    EXPECT_EQ(client->ImportAttributeValues(ctx, "Clerk1", "Telephone Number", text.c_str()), kErrBadArgument) << text;
    EXPECT_EQ(ReadTexts(ctx, "Clerk1", "Telephone Number", &texts), kErrNoSuchAttribute) << text;
  }
  ASSERT_EQ(client->ImportAttributeValues(ctx, "Clerk1", "Telephone Number", exported.c_str()), 0);
  EXPECT_EQ(Texts(ctx, "Clerk1", "Telephone Number"), (std::vector<std::string>{"555-0101", "555-0102"}));
}

}  // namespace
}  // namespace recast::client::testing
