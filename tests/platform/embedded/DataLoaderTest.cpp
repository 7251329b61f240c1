// The data file loader: what it builds from good text, and where it points for bad text.
#include "platform/embedded/DataLoader.h"

#include <gtest/gtest.h>

#include "StoreFixture.h"
#include "platform/embedded/NameText.h"

namespace recast::embedded::testing {
namespace {

namespace value = service::value;

constexpr const char* kSchema = R"(schema: mini

attribute: CN
syntax: 3

attribute: O
syntax: 3

attribute: Object Class
syntax: 20

attribute: Surname
syntax: 3
flags: SglVal Sized
bounds: 1 8

attribute: Count
syntax: 8
flags: SglVal

attribute: Blob
syntax: 9

attribute: App:Macros
syntax: 21

attribute: NGW: Location
syntax: 9

attribute: Aliased Object Name
syntax: 1

attribute: Badge
syntax: 3

class: Top
flags: NonRemovable
mandatory: Object Class

class: Organization
flags: Container Effective
super: Top
containment: Tree Root
naming: O
mandatory: O
optional: Blob, App:Macros, NGW: Location

class: Person
flags: Effective
super: Top
containment: Organization
naming: CN
mandatory: CN, Surname
optional: Count, Blob

class: Badged
flags: Auxiliary
super: Top
optional: Badge

class: Alias
flags: Effective
super: Top
containment: Organization
naming: CN
mandatory: Aliased Object Name

tree: T
schema: mini

login: O=Org
rights: write

entry: O=Org
class: Organization
)";

DirStatus Load(const std::string& tail, DataSet* data, LoadError* error) {
  return LoadDataText(std::string(kSchema) + tail, "test.txt", data, error);
}

constexpr int kTailLine = 76;  // the line where a tail starts

TEST(DataLoaderTest, BuildsEntriesWithDerivedAndEncodedValues) {
  DataSet data;
  LoadError error;
  ASSERT_EQ(Load("Blob:: aGVsbG8=\n"
                 "\"NGW: Location\":# 0102\n"
                 " 03\n"
                 "App:Macros: AOT FILE\n"
                 "\n"
                 "entry: CN=Boss.O=Org\nclass: Person\nauxiliary: Badged\nSurname: Boss\nBadge: gold\nCount: 0x10\n"
                 "\n"
                 "generate: CN=p{n:3}.O=Org\nstart: 7\ncount: 2\nclass: Person\nSurname: S{n}\n"
                 "\n"
                 "entry: CN=Later.O=Org\nclass: Alias\nAliased Object Name: CN=p008.O=Org\n",
                 &data, &error),
            0)
      << error.Text();
  ASSERT_EQ(data.trees.size(), 1u);
  const auto& entries = data.trees[0].entries;
  ASSERT_EQ(entries.size(), 5u);
  auto values = [&](std::size_t entry, const std::string& attr) {
    for (const auto& a : entries[entry].attributes)
      if (a.name == attr) return a.values;
    return std::vector<service::DirValue>{};
  };
  EXPECT_EQ(values(0, "Blob"), (std::vector<service::DirValue>{value::Octets{{'h', 'e', 'l', 'l', 'o'}}}));
  EXPECT_EQ(values(0, "NGW: Location"), (std::vector<service::DirValue>{value::Octets{{1, 2, 3}}}));
  EXPECT_EQ(values(0, "O"), (std::vector<service::DirValue>{value::Text{"Org"}}));
  // Object Class: the class chain, base class first, then the auxiliary classes.
  EXPECT_EQ(values(1, "Object Class"),
            (std::vector<service::DirValue>{value::Text{"Person"}, value::Text{"Top"}, value::Text{"Badged"}}));
  EXPECT_EQ(values(1, "Surname"), (std::vector<service::DirValue>{value::Text{"Boss"}}));
  EXPECT_EQ(values(1, "Count"), (std::vector<service::DirValue>{value::Integer{16}}));
  EXPECT_EQ(DottedName(entries[2].name), "CN=p007.O=Org");
  EXPECT_EQ(values(3, "Surname"), (std::vector<service::DirValue>{value::Text{"S8"}}));
  EXPECT_EQ(data.trees[0].logins.size(), 1u);
  EXPECT_TRUE(data.trees[0].logins[0].mayWrite);
}

// Each bad input names its line and its record.
TEST(DataLoaderTest, BadInputNamesLineAndRecord) {
  struct Case {
    std::string tail;
    int line;  // relative to the first line after the schema
    std::string record;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"\nbogus: x\n", 1, "bogus: x", "unknown record kind"},
      {"\nentry: CN=A.O=Org\nno colon here\n", 2, "entry: CN=A.O=Org", "expected \"name: value\""},
      {"\nentry: CN=A.O=Org\nclass: Nothing\n", 2, "entry: CN=A.O=Org", "unknown class \"Nothing\""},
      {"\nentry: CN=A.O=Org\nclass: Top\n", 2, "entry: CN=A.O=Org", "not effective"},
      {"\nentry: CN=A.O=Org\nclass: Person\nSurname: A\nColour: red\n", 4, "entry: CN=A.O=Org",
       "unknown attribute \"Colour\""},
      {"\nentry: CN=A.O=Org\nclass: Person\nSurname: A\nCount: many\n", 4, "entry: CN=A.O=Org", "not a 32-bit number"},
      {"\nentry: CN=A.O=Org\nclass: Person\nSurname: Far too long\n", 3, "entry: CN=A.O=Org",
       "outside the syntax or bounds"},
      {"\nentry: CN=A.O=Org\nclass: Person\nSurname: A\nSurname: B\n", 4, "entry: CN=A.O=Org", "single-valued"},
      {"\nentry: CN=A.O=Org\nclass: Person\nSurname: A\nBadge: x\n", 4, "entry: CN=A.O=Org", "not allowed"},
      {"\nentry: CN=A.O=Org\nclass: Person\n", 1, "entry: CN=A.O=Org", "mandatory attribute \"Surname\""},
      {"\nentry: CN=A.O=Nowhere\nclass: Person\nSurname: A\n", 1, "entry: CN=A.O=Nowhere", "parent \"O=Nowhere\""},
      {"\nentry: CN=A\nclass: Person\nSurname: A\n", 2, "entry: CN=A", "may not be contained"},
      {"\nentry: CN=A.O=Org\nclass: Person\nSurname: A\nBlob:# 0G\n", 4, "entry: CN=A.O=Org", "bad hex"},
      {"\nentry: CN=A.O=Org\nclass: Person\nSurname: A\nCount:: AAAA\n", 4, "entry: CN=A.O=Org",
       "does not take raw bytes"},
      {"\nentry: A.O=Org\nclass: Person\nSurname: A\n", 1, "entry: A.O=Org", "typed"},
      {"\nentry: CN=A.O=Org\nclass: Alias\nAliased Object Name: CN=Ghost.O=Org\n", 3, "entry: CN=A.O=Org",
       "\"CN=Ghost.O=Org\" does not exist"},
      {"\nlogin: CN=Nobody.O=Org\nrights: read\n", 1, "login: CN=Nobody.O=Org", "\"CN=Nobody.O=Org\" does not exist"},
      {"\nlogin: CN=A.O=Org\nrights: admin\n", 2, "login: CN=A.O=Org", "rights: read"},
      {"\nentry: O=Org\nclass: Organization\n", 1, "entry: O=Org", "defined twice"},
      {"\ngenerate: CN=g{n}.O=Org\ncount: 3\nclass: Person\nSurname: {n}{n}{n}{n}{n}{n}{n}{n}{n}\n", 4,
       "generate: CN=g{n}.O=Org (CN=g1.O=Org)", "outside the syntax or bounds"},
      {"\n continued\n", 1, " continued", "continuation"},
      {"\nclass: Late\nsuper: Missing\n", 2, "class: Late", "unknown class \"Missing\""},
  };
  for (const Case& c : cases) {
    DataSet data;
    LoadError error;
    EXPECT_EQ(Load(c.tail, &data, &error), kErrDataBadInput) << c.tail;
    EXPECT_EQ(error.line, kTailLine + c.line) << c.tail << " -> " << error.Text();
    EXPECT_EQ(error.record, c.record) << c.tail;
    EXPECT_NE(error.message.find(c.message), std::string::npos) << c.tail << " -> " << error.message;
    EXPECT_EQ(error.Text().rfind("test.txt:", 0), 0u);
  }
}

TEST(DataLoaderTest, ShippedDemoDataLoads) {
  DataSet data;
  LoadError error;
  ASSERT_EQ(LoadDataFiles(DemoDataFiles(), &data, &error), 0) << error.Text();
  ASSERT_EQ(data.trees.size(), 2u);
  EXPECT_EQ(data.trees[0].name, "ACME_CORP");
  EXPECT_TRUE(data.trees[0].logins.at(0).mayWrite);
  EXPECT_EQ(data.trees[1].name, "LAB_TREE");
  EXPECT_FALSE(data.trees[1].logins.at(0).mayWrite);
  EXPECT_GT(data.trees[0].entries.size(), 3000u);
}

}  // namespace
}  // namespace recast::embedded::testing
