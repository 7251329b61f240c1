#include "DirectoryServiceConformance.h"

#include <algorithm>
#include <set>

#include "platform/client/ValueExport.h"

namespace recast::service::conformance {
namespace {

std::set<std::string> Values(const std::vector<EntrySummary>& entries) {
  std::set<std::string> names;
  for (const auto& e : entries) names.insert(e.rdn.value);
  return names;
}

EntryName Typeless(EntryName name) {
  for (auto& part : name) part.type.clear();
  return name;
}

Change AddValue(const std::string& attr, DirValue value) { return Change{kChangeAddValue, attr, std::move(value)}; }

}  // namespace

void DirectoryServiceConformance::SetUp() {
  target_ = GetParam()();
  if (IsSkipped()) return;  // the factory found the service missing from this machine
  ASSERT_NE(target_.writer, nullptr);
}

TEST_P(DirectoryServiceConformance, LoginNamesAnExistingEntry) {
  LoginInfo login;
  ASSERT_EQ(dir().Login(&login), 0);
  ASSERT_FALSE(login.fullName.empty());
  EntryName canonical;
  EXPECT_EQ(dir().ResolveName(login.fullName, false, &canonical), 0);
}

TEST_P(DirectoryServiceConformance, SchemaHoldsTheSeedClassesAndAttributes) {
  Schema schema;
  ASSERT_EQ(dir().ReadSchema(&schema), 0);
  auto cls = std::find_if(schema.classes.begin(), schema.classes.end(),
                          [&](const ClassDefinition& c) { return c.name == n().personClass; });
  ASSERT_NE(cls, schema.classes.end());
  EXPECT_NE(cls->flags & kClassEffective, 0u);
  std::map<std::string, std::uint32_t> syntaxes;
  for (const auto& a : schema.attributes) syntaxes[a.name] = a.syntax;
  EXPECT_EQ(syntaxes[n().integer], kSynInteger);
  EXPECT_EQ(syntaxes[n().boolean], kSynBoolean);
  EXPECT_EQ(syntaxes[n().time], kSynTime);
  EXPECT_EQ(syntaxes[n().aliasTarget], kSynDistName);
}

TEST_P(DirectoryServiceConformance, ResolvesTypedAndTypelessNames) {
  EntryName canonical;
  ASSERT_EQ(dir().ResolveName(n().ann, false, &canonical), 0);
  EXPECT_EQ(canonical, n().ann);
  canonical.clear();
  ASSERT_EQ(dir().ResolveName(Typeless(n().ann), false, &canonical), 0);
  EXPECT_EQ(canonical, n().ann);

  EntryName untouched{{"X", "y"}};
  EntryName missing = n().ann;
  missing[0].value = "Nobody";
  EXPECT_EQ(dir().ResolveName(missing, false, &untouched), kErrNoSuchEntry);
  EXPECT_EQ(untouched, (EntryName{{"X", "y"}}));
  EntryName wrongType = n().ann;
  wrongType[0].type = n().sales[0].type;
  EXPECT_EQ(dir().ResolveName(wrongType, false, &canonical), kErrNoSuchEntry);
  EXPECT_EQ(dir().ResolveName({}, false, &canonical), 0);
  EXPECT_TRUE(canonical.empty());
}

TEST_P(DirectoryServiceConformance, AliasesAreFollowedOnlyWhenAsked) {
  EntryName canonical;
  ASSERT_EQ(dir().ResolveName(n().alias, true, &canonical), 0);
  EXPECT_EQ(canonical, n().ann);
  ASSERT_EQ(dir().ResolveName(n().alias, false, &canonical), 0);
  EXPECT_EQ(canonical, n().alias);

  AttributeValues values;
  ASSERT_EQ(dir().ReadAttribute(n().alias, n().surname, true, &values), 0);
  EXPECT_EQ(values.values, (std::vector<DirValue>{value::Text{"Archer"}}));
  EXPECT_EQ(dir().ReadAttribute(n().alias, n().surname, false, &values), kErrNoSuchAttribute);
  ASSERT_EQ(dir().ReadAttribute(n().alias, n().aliasTarget, false, &values), 0);
  EXPECT_EQ(values.syntax, kSynDistName);
  ASSERT_EQ(values.values.size(), 1u);
}

TEST_P(DirectoryServiceConformance, ListsChildrenPageByPage) {
  std::vector<EntrySummary> all;
  std::string cursor;
  int pages = 0;
  do {
    ListPage page;
    ASSERT_EQ(dir().ListChildren(n().sales, false, cursor, 1, &page), 0);
    ASSERT_LE(page.entries.size(), 1u);
    all.insert(all.end(), page.entries.begin(), page.entries.end());
    cursor = page.cursor;
    ASSERT_LT(++pages, 10) << "the listing does not end";
  } while (!cursor.empty());
  EXPECT_EQ(all.size(), 3u);
  EXPECT_EQ(Values(all), (std::set<std::string>{"Ann", "Bob", "Cid"}));
  for (const auto& e : all) {
    EXPECT_EQ(e.baseClass, n().personClass);
    EXPECT_EQ(e.flags & kEntryContainer, 0u);
  }

  ListPage whole;
  ASSERT_EQ(dir().ListChildren(n().sales, false, "", 10, &whole), 0);
  EXPECT_EQ(whole.entries.size(), 3u);
  EXPECT_TRUE(whole.cursor.empty());
}

TEST_P(DirectoryServiceConformance, ListsContainersEmptyAndMissingParents) {
  ListPage page;
  ASSERT_EQ(dir().ListChildren(n().organization, true, "", 50, &page), 0);
  EXPECT_EQ(Values(page.entries), (std::set<std::string>{"Sales", "Empty"}));
  for (const auto& e : page.entries) EXPECT_NE(e.flags & kEntryContainer, 0u);

  ASSERT_EQ(dir().ListChildren(n().empty, false, "", 50, &page), 0);
  EXPECT_TRUE(page.entries.empty());
  EXPECT_TRUE(page.cursor.empty());

  ASSERT_EQ(dir().ListChildren({}, false, "", 50, &page), 0);
  EXPECT_TRUE(Values(page.entries).count(n().organization[0].value));

  EntryName missing{{"OU", "Nowhere"}, {"O", "Seed"}};
  EXPECT_EQ(dir().ListChildren(missing, false, "", 50, &page), kErrNoSuchEntry);
}

TEST_P(DirectoryServiceConformance, ReadingSeveralAttributesGivesWhatEachReadGives) {
  const std::vector<std::string> names{n().surname, n().telephone, n().integer, n().unknownAttribute, n().boolean};
  EntryName missing = n().ann;
  missing[0].value = "Nobody";
  for (const EntryName& entry : {n().ann, n().bob, n().alias, missing}) {
    for (const bool deref : {false, true}) {
      std::vector<DirectoryService::AttributeResult> together;
      dir().ReadAttributes(entry, names, deref, &together);
      ASSERT_EQ(together.size(), names.size());
      for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(entry[0].value + " " + names[i] + (deref ? " deref" : ""));
        AttributeValues alone;
        EXPECT_EQ(together[i].status, dir().ReadAttribute(entry, names[i], deref, &alone));
        if (together[i].status == 0) {
          EXPECT_EQ(together[i].values.values, alone.values);
        }
      }
    }
  }
}

TEST_P(DirectoryServiceConformance, ReadsValuesOfEachKind) {
  AttributeValues v;
  ASSERT_EQ(dir().ReadAttribute(n().ann, n().surname, false, &v), 0);
  EXPECT_EQ(v.values, (std::vector<DirValue>{value::Text{"Archer"}}));
  ASSERT_EQ(dir().ReadAttribute(n().ann, n().telephone, false, &v), 0);
  EXPECT_EQ(v.values.size(), 2u);
  ASSERT_EQ(dir().ReadAttribute(n().ann, n().integer, false, &v), 0);
  EXPECT_EQ(v.values, (std::vector<DirValue>{value::Integer{6}}));
  EXPECT_EQ(v.syntax, kSynInteger);
  ASSERT_EQ(dir().ReadAttribute(n().ann, n().boolean, false, &v), 0);
  EXPECT_EQ(v.values, (std::vector<DirValue>{value::Boolean{true}}));
  ASSERT_EQ(dir().ReadAttribute(n().ann, n().time, false, &v), 0);
  EXPECT_EQ(v.values, (std::vector<DirValue>{value::Seconds{1700000000}}));

  AttributeValues untouched;
  untouched.name = "untouched";
  EXPECT_EQ(dir().ReadAttribute(n().bob, n().integer, false, &untouched), kErrNoSuchAttribute);
  EXPECT_EQ(dir().ReadAttribute(n().ann, n().unknownAttribute, false, &untouched), kErrNoSuchAttribute);
  EntryName missing = n().ann;
  missing[0].value = "Nobody";
  EXPECT_EQ(dir().ReadAttribute(missing, n().surname, false, &untouched), kErrNoSuchEntry);
  EXPECT_EQ(untouched.name, "untouched");
}

TEST_P(DirectoryServiceConformance, ModifyAddsAndRemovesValues) {
  ASSERT_EQ(dir().Modify(n().ann, {AddValue(n().telephone, value::Text{"555 0199"})}), 0);
  AttributeValues v;
  ASSERT_EQ(dir().ReadAttribute(n().ann, n().telephone, false, &v), 0);
  EXPECT_EQ(v.values.size(), 3u);
  ASSERT_EQ(dir().Modify(n().ann, {Change{kChangeRemoveValue, n().telephone, value::Text{"555 0101"}}}), 0);
  ASSERT_EQ(dir().ReadAttribute(n().ann, n().telephone, false, &v), 0);
  EXPECT_EQ(v.values.size(), 2u);
  ASSERT_EQ(dir().Modify(n().ann, {Change{kChangeRemoveAttribute, n().telephone, std::nullopt}}), 0);
  EXPECT_EQ(dir().ReadAttribute(n().ann, n().telephone, false, &v), kErrNoSuchAttribute);
  // Adding a value to an attribute the entry does not have yet creates it.
  ASSERT_EQ(dir().Modify(n().bob, {AddValue(n().integer, value::Integer{9})}), 0);
  ASSERT_EQ(dir().ReadAttribute(n().bob, n().integer, false, &v), 0);
  EXPECT_EQ(v.values, (std::vector<DirValue>{value::Integer{9}}));
}

TEST_P(DirectoryServiceConformance, ExportedValuesComeBackWholeAfterRemoval) {
  for (const std::string& attr : {n().telephone, n().integer, n().boolean, n().time}) {
    AttributeValues before, after;
    ASSERT_EQ(dir().ReadAttribute(n().ann, attr, false, &before), 0) << attr;
    std::string exported;
    ASSERT_EQ(client::ExportValues(dir(), n().ann, attr, false, &exported), 0) << attr;
    ASSERT_EQ(dir().Modify(n().ann, {Change{kChangeRemoveAttribute, attr, std::nullopt}}), 0) << attr;
    ASSERT_EQ(client::ImportValues(dir(), n().ann, attr, false, exported), 0) << attr;
    // Again: everything is there already, so nothing is added and nothing fails.
    ASSERT_EQ(client::ImportValues(dir(), n().ann, attr, false, exported), 0) << attr;
    ASSERT_EQ(dir().ReadAttribute(n().ann, attr, false, &after), 0) << attr;
    EXPECT_EQ(after.syntax, before.syntax) << attr;
    EXPECT_TRUE(
        std::is_permutation(after.values.begin(), after.values.end(), before.values.begin(), before.values.end()))
        << attr;
  }
}

TEST_P(DirectoryServiceConformance, ModifyRefusesWhatTheSchemaForbidsAndChangesNothing) {
  EntryName missing = n().ann;
  missing[0].value = "Nobody";
  struct Case {
    const char* what;
    EntryName entry;
    std::vector<Change> changes;
    DirStatus expected;
  };
  const std::vector<Case> cases = {
      {"duplicate value", n().ann, {AddValue(n().telephone, value::Text{"555 0101"})}, kErrDuplicateValue},
      {"second single value", n().ann, {AddValue(n().integer, value::Integer{7})}, kErrCannotHaveMultipleValues},
      {"value of the wrong kind", n().ann, {AddValue(n().telephone, value::Integer{5})}, kErrSyntaxViolation},
      {"remove absent attribute",
       n().bob,
       {Change{kChangeRemoveAttribute, n().integer, std::nullopt}},
       kErrNoSuchAttribute},
      {"remove absent value",
       n().ann,
       {Change{kChangeRemoveValue, n().telephone, value::Text{"000"}}},
       kErrNoSuchValue},
      {"remove mandatory", n().ann, {Change{kChangeRemoveAttribute, n().surname, std::nullopt}}, kErrMissingMandatory},
      {"attribute the class forbids",
       n().ann,
       {AddValue(n().illegalForPerson, value::Text{"x"})},
       kErrIllegalAttribute},
      {"unknown attribute", n().ann, {AddValue(n().unknownAttribute, value::Text{"x"})}, kErrNoSuchAttribute},
      {"missing entry", missing, {AddValue(n().telephone, value::Text{"555 0150"})}, kErrNoSuchEntry},
      {"all or none",
       n().ann,
       {AddValue(n().telephone, value::Text{"555 0150"}), AddValue(n().integer, value::Integer{7})},
       kErrCannotHaveMultipleValues},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dir().Modify(c.entry, c.changes), c.expected) << c.what;
    AttributeValues v;
    ASSERT_EQ(dir().ReadAttribute(n().ann, n().telephone, false, &v), 0) << c.what;
    EXPECT_EQ(v.values.size(), 2u) << c.what;
    ASSERT_EQ(dir().ReadAttribute(n().ann, n().integer, false, &v), 0) << c.what;
    EXPECT_EQ(v.values, (std::vector<DirValue>{value::Integer{6}})) << c.what;
    ASSERT_EQ(dir().ReadAttribute(n().ann, n().surname, false, &v), 0) << c.what;
  }
}

TEST_P(DirectoryServiceConformance, ChangeBaseClassOnlyWhenTheResultFits) {
  auto classOf = [&](const EntryName& entry) {
    ListPage page;
    EXPECT_EQ(dir().ListChildren(n().sales, false, "", 50, &page), 0);
    for (const auto& e : page.entries)
      if (e.rdn.value == entry[0].value) return e.baseClass;
    return std::string();
  };
  EXPECT_EQ(dir().ChangeBaseClass(n().ann, n().unknownClass), kErrNoSuchClass);
  // Ann holds values that the narrower class does not allow.
  EXPECT_EQ(dir().ChangeBaseClass(n().ann, n().narrowerClass), kErrIllegalAttribute);
  EXPECT_EQ(classOf(n().ann), n().personClass);
  AttributeValues v;
  EXPECT_EQ(dir().ReadAttribute(n().ann, n().integer, false, &v), 0);

  ASSERT_EQ(dir().ChangeBaseClass(n().bob, n().narrowerClass), 0);
  EXPECT_EQ(classOf(n().bob), n().narrowerClass);
  EntryName missing = n().ann;
  missing[0].value = "Nobody";
  EXPECT_EQ(dir().ChangeBaseClass(missing, n().narrowerClass), kErrNoSuchEntry);
}

TEST_P(DirectoryServiceConformance, ReadOnlyLoginReadsButCannotWrite) {
  if (!target_.reader) GTEST_SKIP() << "the service has no read-only login";
  DirectoryService& reader = *target_.reader;
  AttributeValues v;
  ASSERT_EQ(reader.ReadAttribute(n().ann, n().surname, false, &v), 0);
  EXPECT_EQ(reader.Modify(n().ann, {AddValue(n().telephone, value::Text{"555 0177"})}), kErrNoAccess);
  EXPECT_EQ(reader.ChangeBaseClass(n().bob, n().narrowerClass), kErrNoAccess);
  ASSERT_EQ(dir().ReadAttribute(n().ann, n().telephone, false, &v), 0);
  EXPECT_EQ(v.values.size(), 2u);
}

}  // namespace recast::service::conformance
