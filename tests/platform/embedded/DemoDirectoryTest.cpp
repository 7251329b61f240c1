// The embedded directory over the shipped demo data: the workflow's class-change pairs,
// enforcement, rights, aliases, streams, paging and persistence.
#include <gtest/gtest.h>

#include <set>

#include "StoreFixture.h"
#include "platform/embedded/EmbeddedService.h"
#include "platform/embedded/NameText.h"
#include "platform/embedded/SchemaIndex.h"
#include "platform/embedded/StoreFormat.h"

namespace recast::embedded::testing {
namespace {

using service::AttributeValues;
using service::Change;
using service::DirValue;
using service::EntryName;
using service::ListPage;
namespace value = service::value;

EntryName Name(const std::string& dotted) {
  EntryName name;
  EXPECT_TRUE(ParseDottedName(dotted, &name)) << dotted;
  return name;
}

Change Remove(const std::string& attr) { return Change{kChangeRemoveAttribute, attr, std::nullopt}; }
Change Add(const std::string& attr, DirValue v) { return Change{kChangeAddValue, attr, std::move(v)}; }

class DemoDirectoryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    master_ = BuildStore(*dir_, DemoDataFiles(), "demo-master.db");
  }
  static void TearDownTestSuite() { delete dir_; }

  void SetUp() override {
    store_ = dir_->path() / (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".db");
    std::filesystem::copy_file(master_, store_, std::filesystem::copy_options::overwrite_existing);
    acme_ = OpenService(store_, "ACME_CORP");
    ASSERT_NE(acme_, nullptr);
  }

  std::string ClassOf(const std::string& dotted) {
    EntryName name = Name(dotted);
    EntryName parent(name.begin() + 1, name.end());
    ListPage page;
    EXPECT_EQ(acme_->ListChildren(parent, false, "", 500, &page), 0);
    for (const auto& e : page.entries)
      if (e.rdn.value == name[0].value) return e.baseClass;
    return "";
  }

  std::vector<DirValue> Values(const std::string& dotted, const std::string& attr) {
    AttributeValues v;
    acme_->ReadAttribute(Name(dotted), attr, false, &v);
    return v.values;
  }

  static TempDir* dir_;
  static std::filesystem::path master_;
  std::filesystem::path store_;
  std::unique_ptr<service::DirectoryService> acme_;
};

TempDir* DemoDirectoryTest::dir_ = nullptr;
std::filesystem::path DemoDirectoryTest::master_;

// Each pair of the demo data fails for its documented reason, and succeeds once the
// conflicting attributes are gone where that is possible.
TEST_F(DemoDirectoryTest, ClassChangePairsFailForTheirReasonAndChangeNothing) {
  const std::string dora = "CN=Dora Deletable.OU=Recast Demo.O=ACME";
  const std::string queue = "CN=Fixed Queue.OU=Recast Demo.O=ACME";
  const std::string lobby = "CN=Lobby Printer.OU=Recast Demo.O=ACME";
  const std::string harbor = "CN=Harbor Master.L=Harbor.O=ACME";
  struct Case {
    std::string entry, target;
    DirStatus expected;
  } cases[] = {
      {dora, "Organizational Person", kErrIllegalAttribute},
      {queue, "Organizational Role", kErrIllegalAttribute},
      {lobby, "Print Queue", kErrIllegalAttribute},
      {harbor, "Group", kErrIllegalContainment},
      {"OU=Recast Demo.O=ACME", "Organizational Role", kErrNotLeafEntry},
      {dora, "Top", kErrNotEffectiveClass},
      {dora, "Partition Root", kErrNotEffectiveClass},
      {dora, "Nonexistent", kErrNoSuchClass},
      {"CN=Nobody.O=ACME", "Person", kErrNoSuchEntry},
  };
  for (const auto& c : cases) {
    std::string before = ClassOf(c.entry);
    std::vector<DirValue> classesBefore = Values(c.entry, "Object Class");
    EXPECT_EQ(acme_->ChangeBaseClass(Name(c.entry), c.target), c.expected) << c.entry << " -> " << c.target;
    EXPECT_EQ(ClassOf(c.entry), before);
    EXPECT_EQ(Values(c.entry, "Object Class"), classesBefore);
  }

  // Deleting the deletable conflicts makes the change possible.
  ASSERT_EQ(acme_->Modify(Name(dora), {Remove("Login Disabled"), Remove("Language")}), 0);
  ASSERT_EQ(acme_->ChangeBaseClass(Name(dora), "Organizational Person"), 0);
  EXPECT_EQ(ClassOf(dora), "Organizational Person");
  EXPECT_EQ(Values(dora, "Object Class"),
            (std::vector<DirValue>{value::Text{"Organizational Person"}, value::Text{"Person"}, value::Text{"Top"}}));

  // The undeletable ones are mandatory where they are.
  EXPECT_EQ(acme_->Modify(Name(queue), {Remove("Queue Directory")}), kErrMissingMandatory);
  // The printer still lacks what a queue requires once its deletable conflict is gone.
  ASSERT_EQ(acme_->Modify(Name(lobby), {Remove("Page Description Language")}), 0);
  EXPECT_EQ(acme_->ChangeBaseClass(Name(lobby), "Print Queue"), kErrMissingMandatory);
  EXPECT_EQ(ClassOf(lobby), "Printer");

  const std::string helpdesk = "CN=Helpdesk Group.OU=Recast Demo.O=ACME";
  EXPECT_EQ(acme_->ChangeBaseClass(Name(helpdesk), "Organizational Role"), kErrIllegalAttribute);
  ASSERT_EQ(acme_->Modify(Name(helpdesk), {Remove("Member")}), 0);
  ASSERT_EQ(acme_->ChangeBaseClass(Name(helpdesk), "Organizational Role"), 0);

  ASSERT_EQ(acme_->ChangeBaseClass(Name("CN=Plain Person.OU=Recast Demo.O=ACME"), "Person"), 0);
  EXPECT_EQ(ClassOf("CN=Plain Person.OU=Recast Demo.O=ACME"), "Person");
}

TEST_F(DemoDirectoryTest, AuxiliaryClassesStayAcrossAClassChange) {
  // O=ACME carries the auxiliary Partition Root; it is listed after the class chain.
  std::vector<DirValue> classes = Values("O=ACME", "Object Class");
  ASSERT_EQ(classes.size(), 3u);
  EXPECT_EQ(classes.front(), DirValue(value::Text{"Organization"}));
  EXPECT_EQ(classes.back(), DirValue(value::Text{"Partition Root"}));
  // Its partition attributes are allowed only through the auxiliary class.
  EXPECT_FALSE(Values("O=ACME", "Partition Status").empty());
  EXPECT_EQ(acme_->Modify(Name("OU=Sales.O=ACME"), {Add("Partition Status", value::Octets{{1, 2}})}),
            kErrIllegalAttribute);
}

TEST_F(DemoDirectoryTest, ValuesOutsideSyntaxOrBoundsAreRefused) {
  const EntryName jane = Name("CN=Jane Doe.OU=Sales.O=ACME");
  const EntryName acme = Name("O=ACME");
  struct Case {
    const char* what;
    EntryName entry;
    Change change;
    DirStatus expected;
  } cases[] = {
      {"integer below its bounds", jane, Change{kChangeOverwriteValue, "Login Grace Limit", value::Integer{0}},
       kErrSyntaxViolation},
      {"integer above its bounds", jane, Change{kChangeOverwriteValue, "Login Grace Limit", value::Integer{201}},
       kErrSyntaxViolation},
      {"text longer than its bounds", jane, Add("Initials", value::Text{"ABCDEFGHI"}), kErrSyntaxViolation},
      {"empty text", jane, Add("Title", value::Text{""}), kErrSyntaxViolation},
      {"letters in a numeric string", jane, Change{kChangeOverwriteValue, "Employee ID", value::Text{"12a"}},
       kErrSyntaxViolation},
      {"octets of the wrong size", jane, Change{kChangeClearAttribute, "Login Allowed Time Map", std::nullopt}, 0},
      {"a value without a value", jane, Change{kChangeAddValue, "Title", std::nullopt}, kErrSyntaxViolation},
      {"read-only attribute", jane, Add("Object Class", value::Text{"Partition Root"}), kErrNoAccess},
      {"attribute already there", jane, Change{kChangeAddAttribute, "Surname", std::nullopt},
       kErrAttributeAlreadyExists},
      {"unknown change type", jane, Change{99, "Title", value::Text{"x"}}, kErrBadArgument},
      {"top of the tree", EntryName{}, Add("Title", value::Text{"x"}), kErrNoSuchEntry},
      {"bounded octets", acme, Add("Description", value::Text{std::string(1025, 'x')}), kErrSyntaxViolation},
  };
  for (const auto& c : cases) EXPECT_EQ(acme_->Modify(c.entry, {c.change}), c.expected) << c.what;
  EXPECT_EQ(acme_->Modify(jane, {Add("Login Allowed Time Map", value::Octets{std::vector<std::uint8_t>(41, 0xFF)})}),
            kErrSyntaxViolation);
}

TEST_F(DemoDirectoryTest, ChangeTypesWithoutErrorsForAbsentValues) {
  const EntryName jane = Name("CN=Jane Doe.OU=Sales.O=ACME");
  // Clearing what is not there, overwriting with what is there: no error, no change.
  EXPECT_EQ(acme_->Modify(jane, {Change{kChangeClearValue, "Title", value::Text{"Astronaut"}}}), 0);
  EXPECT_EQ(acme_->Modify(jane, {Change{kChangeOverwriteValue, "Title", value::Text{"sales MANAGER"}}}), 0);
  EXPECT_EQ(Values("CN=Jane Doe.OU=Sales.O=ACME", "Title"), (std::vector<DirValue>{value::Text{"Sales manager"}}));
  // Case-ignoring texts are duplicates whatever their case; exact texts are not.
  EXPECT_EQ(acme_->Modify(jane, {Add("Title", value::Text{"SALES MANAGER"})}), kErrDuplicateValue);
  EXPECT_EQ(acme_->Modify(jane, {Change{kChangeClearAttribute, "Telephone Number", std::nullopt},
                                 Add("Telephone Number", value::Text{"+1 555 0777"})}),
            0);
  EXPECT_EQ(Values("CN=Jane Doe.OU=Sales.O=ACME", "Telephone Number"),
            (std::vector<DirValue>{value::Text{"+1 555 0777"}}));
}

TEST_F(DemoDirectoryTest, SecondTreeLoginReadsButMayNotWrite) {
  auto lab = OpenService(store_, "lab_tree");  // tree names ignore letter case
  ASSERT_NE(lab, nullptr);
  service::LoginInfo login;
  ASSERT_EQ(lab->Login(&login), 0);
  EXPECT_EQ(DottedName(login.fullName), "CN=Guest.O=LAB");
  EXPECT_EQ(DottedName(login.defaultContainer), "O=LAB");
  EntryName tester = Name("CN=Tester.OU=Devices.O=LAB");
  AttributeValues v;
  ASSERT_EQ(lab->ReadAttribute(tester, "Login Disabled", false, &v), 0);
  EXPECT_EQ(lab->Modify(tester, {Remove("Login Disabled")}), kErrNoAccess);
  EXPECT_EQ(lab->ChangeBaseClass(tester, "Person"), kErrNoAccess);
  ASSERT_EQ(lab->ReadAttribute(tester, "Login Disabled", false, &v), 0);

  // Trees and logins the store does not know.
  service::ConnectionConfig config{"NO_SUCH_TREE", store_.string(), "", {}, {}};
  std::unique_ptr<service::DirectoryService> none;
  EXPECT_EQ(OpenEmbeddedService(config, &none), kErrStoreNoSuchTree);
  config = {"ACME_CORP", store_.string(), "CN=Intruder.O=ACME", {}, {}};
  EXPECT_EQ(OpenEmbeddedService(config, &none), kErrNoAccess);
  EXPECT_EQ(none, nullptr);
}

TEST_F(DemoDirectoryTest, AliasesAndStreams) {
  AttributeValues v;
  ASSERT_EQ(acme_->ReadAttribute(Name("CN=Boss.O=ACME"), "Surname", true, &v), 0);
  EXPECT_EQ(v.values, (std::vector<DirValue>{value::Text{"Doe"}}));
  ASSERT_EQ(acme_->ReadAttribute(Name("CN=Boss.O=ACME"), "aliased object name", false, &v), 0);
  EXPECT_EQ(v.name, "Aliased Object Name");
  EXPECT_EQ(v.values, (std::vector<DirValue>{value::Text{"CN=Jane Doe.OU=Sales.O=ACME"}}));
  // An alias inside a name is followed too.
  auto lab = OpenService(store_, "LAB_TREE");
  EntryName canonical;
  ASSERT_EQ(lab->ResolveName(Name("Scope Alias.LAB"), true, &canonical), 0);
  EXPECT_EQ(DottedName(canonical), "CN=Scope.OU=Devices.O=LAB");

  std::vector<std::uint8_t> stream;
  ASSERT_EQ(acme_->ReadStream(Name("CN=Editor.OU=Sales.O=ACME"), "App:Macros", &stream), 0);
  ASSERT_GT(stream.size(), 24u);
  EXPECT_EQ(std::string(stream.begin(), stream.begin() + 8), "AOT FILE");
  ASSERT_EQ(acme_->ReadStream(Name("CN=Header Only.OU=Sales.O=ACME"), "App:Macros", &stream), 0);
  EXPECT_EQ(stream.size(), 24u);
  ASSERT_EQ(acme_->ReadStream(Name("O=ACME"), "Login Script", &stream), 0);
  EXPECT_EQ(std::string(stream.begin(), stream.begin() + 8), "MAP ROOT");
  EXPECT_EQ(acme_->ReadStream(Name("O=ACME"), "Description", &stream), kErrSyntaxViolation);
  EXPECT_EQ(acme_->ReadStream(Name("CN=Editor.OU=Sales.O=ACME"), "Login Script", &stream), kErrNoSuchAttribute);
}

TEST_F(DemoDirectoryTest, LargeContainerPagesInOrderWithoutGapsOrRepeats) {
  EntryName staff = Name("OU=Staff.O=ACME");
  std::vector<std::string> keys;
  std::string cursor;
  int pages = 0;
  do {
    ListPage page;
    ASSERT_EQ(acme_->ListChildren(staff, false, cursor, 97, &page), 0);
    ASSERT_FALSE(page.entries.empty());
    for (const auto& e : page.entries) keys.push_back(NameKey(e.rdn.value));
    cursor = page.cursor;
    ++pages;
  } while (!cursor.empty());
  EXPECT_EQ(keys.size(), 3001u);
  EXPECT_EQ(pages, 31);
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), keys.size());

  ListPage page;
  EXPECT_EQ(acme_->ListChildren(staff, false, "garbage", 10, &page), kErrBadIteration);
  EXPECT_EQ(acme_->ListChildren(staff, false, "", 0, &page), kErrBadArgument);
  ASSERT_EQ(acme_->ListChildren(Name("O=ACME"), true, "", 100, &page), 0);
  std::set<std::string> containers;
  for (const auto& e : page.entries) containers.insert(e.rdn.value);
  EXPECT_EQ(containers, (std::set<std::string>{"Harbor", "Recast Demo", "Sales", "Staff"}));
  ASSERT_EQ(acme_->ListChildren({}, false, "", 100, &page), 0);
  ASSERT_EQ(page.entries.size(), 1u);
  EXPECT_EQ(page.entries[0].subordinateCount, 9u);
}

TEST_F(DemoDirectoryTest, ChangesPersistAcrossAReopenAndReachAnotherConnection) {
  const EntryName jane = Name("CN=Jane Doe.OU=Sales.O=ACME");
  auto second = OpenService(store_, "ACME_CORP");
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(acme_->Modify(jane, {Add("Telephone Number", value::Text{"+1 555 0203"})}), 0);
  ASSERT_EQ(second->Modify(jane, {Add("Telephone Number", value::Text{"+1 555 0204"})}), 0);
  ASSERT_EQ(second->ChangeBaseClass(Name("CN=Plain Person.OU=Recast Demo.O=ACME"), "Person"), 0);
  AttributeValues v;
  ASSERT_EQ(acme_->ReadAttribute(jane, "Telephone Number", false, &v), 0);
  EXPECT_EQ(v.values.size(), 4u);

  acme_.reset();
  second.reset();
  auto reopened = OpenService(store_, "ACME_CORP");
  ASSERT_NE(reopened, nullptr);
  ASSERT_EQ(reopened->ReadAttribute(jane, "Telephone Number", false, &v), 0);
  EXPECT_EQ(v.values.size(), 4u);
  ListPage page;
  ASSERT_EQ(reopened->ListChildren(Name("OU=Recast Demo.O=ACME"), false, "", 50, &page), 0);
  for (const auto& e : page.entries) {
    if (e.rdn.value == "Plain Person") {
      EXPECT_EQ(e.baseClass, "Person");
    }
  }
}

// The demo data must hold a value of every syntax the value formatting knows.
TEST_F(DemoDirectoryTest, DemoDataHoldsAValueOfEverySyntax) {
  service::Schema schema;
  ASSERT_EQ(acme_->ReadSchema(&schema), 0);
  std::set<std::uint32_t> seen;
  std::vector<EntryName> pending{{}};
  while (!pending.empty()) {
    EntryName parent = pending.back();
    pending.pop_back();
    if (!parent.empty() && parent[0].value == "Staff") continue;  // generated users add nothing new
    ListPage page;
    ASSERT_EQ(acme_->ListChildren(parent, false, "", 1000, &page), 0);
    for (const auto& e : page.entries) {
      EntryName child = parent;
      child.insert(child.begin(), e.rdn);
      if (e.flags & kEntryContainer) pending.push_back(child);
      for (const auto& a : schema.attributes) {
        AttributeValues v;
        if (acme_->ReadAttribute(child, a.name, false, &v) == 0) seen.insert(a.syntax);
      }
    }
  }
  for (std::uint32_t syntax = 0; syntax < kSynCount; ++syntax) EXPECT_TRUE(seen.count(syntax)) << "syntax " << syntax;
  EXPECT_TRUE(seen.count(28) && seen.count(40));
}

}  // namespace
}  // namespace recast::embedded::testing
