// The largest values the program has to handle, through the directory layer and the real
// client over an in-memory directory: a stream of the client's maximum buffer size, an
// attribute with 1,000 values, a schema with 5,000 classes and a container with 100,000
// entries. Each must arrive whole, in order, and without anything cut off silently.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "directory/AttributeValues.h"
#include "directory/ClassDefinitions.h"
#include "directory/DirectorySession.h"
#include "directory/Listing.h"
#include "directory/StreamText.h"
#include "platform/client/NativeDirectoryClient.h"
#include "tests/reliability/HostileEnvironment.h"
#include "tests/support/MemoryService.h"
#include "tests/support/ScriptedUserInterface.h"
#include "util/TaggedList.h"

namespace recast::reliability {
namespace {

namespace fs = std::filesystem;
using client::MemoryService;

service::AttributeDefinition Attr(const std::string& name, std::uint32_t syntax, std::uint32_t flags = 0) {
  service::AttributeDefinition def;
  def.name = name;
  def.syntax = syntax;
  def.flags = flags;
  return def;
}

service::ClassDefinition Class(const std::string& name, std::uint32_t flags, std::vector<std::string> supers,
                               std::vector<std::string> mandatory, std::vector<std::string> optional) {
  service::ClassDefinition def;
  def.name = name;
  def.flags = flags;
  def.superClasses = std::move(supers);
  def.mandatoryAttributes = std::move(mandatory);
  def.optionalAttributes = std::move(optional);
  def.containmentClasses = {"Organization", "Organizational Unit"};
  return def;
}

service::Schema BaseSchema() {
  service::Schema schema;
  schema.attributes = {Attr("Object Class", kSynClassName),
                       Attr("CN", kSynCiString),
                       Attr("O", kSynCiString),
                       Attr("OU", kSynCiString),
                       Attr("Telephone Number", kSynTelNumber),
                       Attr("Login Script", kSynStream, kAttrSingleValued)};
  schema.classes = {
      Class("Top", 0, {}, {"Object Class"}, {}),
      Class("Organization", kClassContainer | kClassEffective, {"Top"}, {"O"}, {"Login Script"}),
      Class("Organizational Unit", kClassContainer | kClassEffective, {"Top"}, {"OU"}, {}),
      Class("User", kClassEffective, {"Top"}, {"CN"}, {"Telephone Number", "Login Script"}),
  };
  return schema;
}

const service::EntryName kTop = {{"O", "ACME"}};
const service::EntryName kUser = {{"CN", "Admin"}, {"O", "ACME"}};

// A client over one in-memory tree; the test shapes the tree before the first call.
class MaxSizesTest : public ::testing::Test {
 protected:
  void Start(service::Schema schema = BaseSchema()) {
    service::LoginInfo login;
    login.fullName = kUser;
    login.defaultContainer = kTop;
    auto tree = std::make_unique<MemoryService>(std::move(schema), login);
    tree_ = tree.get();
    ASSERT_EQ(tree_->AddEntry(kTop, "Organization"), 0);
    ASSERT_EQ(tree_->AddEntry(kUser, "User"), 0);
    pending_ = std::move(tree);

    client::ClientOptions options;
    options.configFile = folder_.path() / "connections.ini";
    options.dataFolder = folder_.path() / "data";
    WriteWholeFile(options.configFile, "[Main]\nTree=ACME\nService=mem\nLogin=Admin.ACME\nPrimary=1\n");
    options.openers["embedded"] = [this](const service::ConnectionConfig&,
                                         std::unique_ptr<service::DirectoryService>* out) {
      *out = std::move(pending_);
      return DirStatus{0};
    };
    client_ = std::make_unique<client::NativeDirectoryClient>(std::move(options));
    ASSERT_EQ(client_->InitClient(0, 0), 0);
    ASSERT_EQ(client_->CreateContext(&ctx_), 0);
    session_ = std::make_unique<DirectorySession>(*client_, ui_, "");
  }

  MemoryService& Tree() { return *tree_; }

  TempFolder folder_;
  std::unique_ptr<MemoryService> pending_;
  MemoryService* tree_ = nullptr;
  std::unique_ptr<client::NativeDirectoryClient> client_;
  ScriptedUserInterface ui_;
  std::unique_ptr<DirectorySession> session_;
  DirContext ctx_ = kNoContext;
};

TEST_F(MaxSizesTest, StreamOfTheMaximumSizeArrivesWholeAndALargerOneIsCutAtIt) {
  Start();
  for (std::size_t size : {kMaxStreamBytes, kMaxStreamBytes + 1000}) {
    SCOPED_TRACE(size);
    std::vector<std::uint8_t> content(size);
    for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<std::uint8_t>('a' + i % 26);
    const service::EntryName entry = {{"CN", "S" + std::to_string(size)}, {"O", "ACME"}};
    ASSERT_EQ(Tree().AddEntry(entry, "User"), 0);
    ASSERT_EQ(Tree().AddValue(entry, "Login Script", service::value::Octets{content}), 0);

    std::string text;
    ASSERT_EQ(ReadStreamText(*session_, ctx_, ".S" + std::to_string(size) + ".ACME", "Login Script", &text), 0);
    const std::string header = "Stream (" + std::to_string(kMaxStreamBytes) + " bytes):\r\n";
    ASSERT_EQ(text.substr(0, header.size()), header);
    EXPECT_EQ(text.substr(header.size()), std::string(content.begin(), content.begin() + kMaxStreamBytes));
  }
}

TEST_F(MaxSizesTest, AttributeWithAThousandValuesArrivesWholeInOrder) {
  Start();
  std::vector<std::string> expected;
  for (int i = 0; i < 1000; ++i) {
    expected.push_back("+1 555 " + std::to_string(100000 + i));
    ASSERT_EQ(Tree().AddValue(kUser, "Telephone Number", service::value::Text{expected.back()}), 0);
  }
  VectorTaggedList values;
  EXPECT_EQ(ReadAttributeValues(*session_, ctx_, ".Admin.ACME", "Telephone Number", values), 0);
  EXPECT_EQ(values.Texts(), expected);
}

TEST_F(MaxSizesTest, SchemaWithFiveThousandClassesListsEveryClass) {
  service::Schema schema = BaseSchema();
  for (int i = 0; i < 5000; ++i) {
    schema.classes.push_back(Class("Extra Class " + std::to_string(i), kClassEffective, {"User"}, {}, {}));
  }
  const std::size_t classes = schema.classes.size();
  Start(std::move(schema));
  VectorTaggedList names;
  EXPECT_EQ(ListClassNames(*session_, ctx_, names), 0);
  ASSERT_EQ(static_cast<std::size_t>(names.Count()), classes);
  EXPECT_EQ(names.Text(names.Count() - 1), "Extra Class 4999");

  // The deepest one still reads its inherited attributes.
  VectorTaggedList attributes;
  EXPECT_EQ(ReadClassAttributes(*session_, ctx_, "Extra Class 4999", attributes), 0);
  EXPECT_EQ(attributes.Texts(), (std::vector<std::string>{"CN", "Object Class", "Telephone Number", "Login Script"}));
}

TEST_F(MaxSizesTest, ContainerWithAHundredThousandEntriesListsEveryEntry) {
  Start();
  const int count = 100000;
  const service::EntryName big = {{"OU", "Big"}, {"O", "ACME"}};
  ASSERT_EQ(Tree().AddEntry(big, "Organizational Unit"), 0);
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(Tree().AddEntry({{"CN", "U" + std::to_string(1000000 + i)}, {"OU", "Big"}, {"O", "ACME"}}, "User"), 0);
  }
  VectorTaggedList containers;
  VectorTaggedList objects;
  ListContainerContents(*session_, ctx_, ".Big.ACME", &containers, &objects, "", true);
  EXPECT_EQ(containers.Count(), 0);
  ASSERT_EQ(objects.Count(), count);
  EXPECT_EQ(objects.Text(0), "User: U1000000");
  EXPECT_EQ(objects.Text(count - 1), "User: U" + std::to_string(1000000 + count - 1));
}

}  // namespace
}  // namespace recast::reliability
