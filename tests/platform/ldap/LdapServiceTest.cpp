// The LDAP service against a private slapd on 127.0.0.1.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <set>

#include "platform/ldap/LdapStatus.h"
#include "tests/platform/ldap/support/LdapTestSupport.h"

namespace recast::ldap::testing {
namespace {

using service::EntryName;
namespace value = service::value;

constexpr int kBigCount = 3000;

std::string Seed() {
  std::string ldif =
      "dn: cn=Clerk,ou=Sales,o=Org\nobjectClass: inetOrgPerson\ncn: Clerk\nsn: Clerk\n"
      "telephoneNumber: +1 555 0100\ndescription: first\ndescription: second\n"
      "postalAddress: 1 Main St$Springfield$\n"
      "facsimileTelephoneNumber: +1 555 0101$fineResolution\n\n"
      "dn: cn=Numbers,ou=Sales,o=Org\nobjectClass: inetOrgPerson\nobjectClass: posixAccount\ncn: Numbers\n"
      "sn: N\nuid: numbers\nuidNumber: -42\ngidNumber: 4294967296\nhomeDirectory: /home/n\n"
      "jpegPhoto:: AAEC/w==\n\n"
      "dn: cn=Team,ou=Sales,o=Org\nobjectClass: groupOfNames\ncn: Team\nmember: cn=Clerk,ou=Sales,o=Org\n"
      "member: cn=dotted.name,ou=Sales,o=Org\n\n"
      "dn: cn=dotted.name,ou=Sales,o=Org\nobjectClass: person\ncn: dotted.name\nsn: D\n\n"
      "dn: cn=odd\\2C\\2B\\3D*()\\5C,ou=Sales,o=Org\nobjectClass: person\ncn: odd,+=*()\\\nsn: Odd\n\n"
      "dn: uid=jdoe,ou=People,o=Org\nobjectClass: account\nuid: jdoe\n\n"
      "dn: cn=Multi+uid=mv1,ou=People,o=Org\nobjectClass: inetOrgPerson\ncn: Multi\nuid: mv1\nsn: M\n\n"
      "dn: ou=Big,o=Org\nobjectClass: organizationalUnit\nou: Big\n\n";
  for (int i = 0; i < kBigCount; ++i) {
    const std::string cn = "entry" + std::to_string(i);
    ldif += "dn: cn=" + cn + ",ou=Big,o=Org\nobjectClass: inetOrgPerson\ncn: " + cn + "\nsn: S\n\n";
  }
  // Entries the class change tests work on; each test uses its own.
  for (const char* name : {"Plain", "Relaxed", "NoManage", "Recreated", "FailedAdd", "Dropped"}) {
    ldif += std::string("dn: cn=") + name +
            ",ou=People,o=Org\nobjectClass: person\nobjectClass: simpleSecurityObject\n"
            "cn: " +
            name + "\nsn: " + name + "\nuserPassword: pw\ndescription: kept\ntelephoneNumber: 123\n\n";
  }
  return ldif;
}

class LdapServiceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    server_ = SlapdServer::Start(Seeded(Seed()), &error).release();
    ASSERT_NE(server_, nullptr) << error;
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(server_, nullptr); }

  std::unique_ptr<LdapService> Open(const Login& login) {
    DirStatus status = 0;
    auto service = OpenService(*server_, login, &status);
    EXPECT_EQ(status, 0);
    return service;
  }
  std::unique_ptr<LdapService> Admin(std::map<std::string, std::string> settings = {}) {
    return Open({kRootDn, std::move(settings)});
  }

  static SlapdServer* server_;
};
SlapdServer* LdapServiceTest::server_ = nullptr;

const service::ClassDefinition* FindClass(const service::Schema& schema, const std::string& name) {
  for (const auto& c : schema.classes) {
    if (c.name == name) return &c;
  }
  return nullptr;
}
const service::AttributeDefinition* FindAttr(const service::Schema& schema, const std::string& name) {
  for (const auto& a : schema.attributes) {
    if (a.name == name) return &a;
  }
  return nullptr;
}

TEST_F(LdapServiceTest, SchemaMapsKindsInheritanceFlagsAndSyntaxes) {
  auto service = Admin();
  service::Schema schema;
  ASSERT_EQ(service->ReadSchema(&schema), 0);

  const auto* inetOrgPerson = FindClass(schema, "inetOrgPerson");
  ASSERT_NE(inetOrgPerson, nullptr);
  EXPECT_EQ(inetOrgPerson->flags, kClassEffective);
  EXPECT_EQ(inetOrgPerson->superClasses, std::vector<std::string>{"organizationalPerson"});
  const auto* person = FindClass(schema, "person");
  ASSERT_NE(person, nullptr);
  EXPECT_EQ(person->mandatoryAttributes, (std::vector<std::string>{"sn", "cn"}));
  EXPECT_EQ(FindClass(schema, "posixAccount")->flags, kClassAuxiliary);
  EXPECT_EQ(FindClass(schema, "top")->flags, 0u);
  EXPECT_EQ(FindClass(schema, "organizationalUnit")->flags, kClassEffective | kClassContainer);

  struct Expected {
    const char* name;
    std::uint32_t syntax;
    std::uint32_t flags;
    std::uint32_t upper;
  };
  for (const Expected& e : {
           Expected{"cn", kSynCiString, kAttrSized | kAttrString, 32768},  // syntax and bound from SUP name
           Expected{"uidNumber", kSynInteger, kAttrSingleValued, 0},
           Expected{"createTimestamp", kSynTime, kAttrSingleValued | kAttrReadOnly | kAttrHidden, 0},
           Expected{"telephoneNumber", kSynTelNumber, kAttrSized | kAttrString, 32},
           Expected{"facsimileTelephoneNumber", kSynFaxNumber, 0, 0},
           Expected{"postalAddress", kSynPoAddress, 0, 0},
           Expected{"member", kSynDistName, kAttrString, 0},
           Expected{"objectClass", kSynClassName, kAttrString, 0},
           Expected{"mail", kSynCiString, kAttrSized | kAttrString, 256},
           Expected{"c", kSynPrString, kAttrSingleValued | kAttrString, 0},  // own syntax, no bound
           Expected{"jpegPhoto", kSynOctetString, 0, 0},
           Expected{"uid", kSynCiString, kAttrSized | kAttrString, 256},
       }) {
    SCOPED_TRACE(e.name);
    const auto* attr = FindAttr(schema, e.name);
    ASSERT_NE(attr, nullptr);
    EXPECT_EQ(attr->syntax, e.syntax);
    EXPECT_EQ(attr->flags, e.flags);
    EXPECT_EQ(attr->upperBound, e.upper);
  }
}

TEST_F(LdapServiceTest, ListsAContainerPageByPage) {
  auto service = Admin();
  const EntryName big = Name({{"OU", "Big"}, {"O", "Org"}});
  // Smaller, equal and larger than the pages the service asks the server for.
  for (const std::uint32_t pageSize : {7u, 500u, 1000u, 1500u}) {
    SCOPED_TRACE(pageSize);
    std::set<std::string> names;
    std::string cursor;
    int pages = 0;
    do {
      service::ListPage page;
      ASSERT_EQ(service->ListChildren(big, false, cursor, pageSize, &page), 0);
      EXPECT_LE(page.entries.size(), pageSize);
      for (const auto& e : page.entries) {
        EXPECT_EQ(e.rdn.type, "CN");
        EXPECT_EQ(e.baseClass, "inetOrgPerson");
        EXPECT_EQ(e.flags, 0u);
        names.insert(e.rdn.value);
      }
      cursor = page.cursor;
      ++pages;
    } while (!cursor.empty() && pages < 1000);
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kBigCount));
    EXPECT_EQ(pages, (kBigCount + pageSize - 1) / pageSize);
  }
}

TEST_F(LdapServiceTest, ListingMarksContainersAndStartsAtTheNamingContexts) {
  auto service = Admin();
  service::ListPage top;
  ASSERT_EQ(service->ListChildren({}, false, "", 100, &top), 0);
  ASSERT_EQ(top.entries.size(), 1u);
  EXPECT_EQ(top.entries[0].rdn, (service::NamePart{"O", "Org"}));
  EXPECT_EQ(top.entries[0].baseClass, "organization");
  EXPECT_EQ(top.entries[0].flags, kEntryContainer);

  service::ListPage containers;
  ASSERT_EQ(service->ListChildren(Name({{"O", "Org"}}), true, "", 100, &containers), 0);
  std::set<std::string> names;
  for (const auto& e : containers.entries) names.insert(e.rdn.value);
  EXPECT_EQ(names, (std::set<std::string>{"Sales", "People", "Big"}));
  EXPECT_TRUE(containers.cursor.empty());

  service::LoginInfo login;
  ASSERT_EQ(service->Login(&login), 0);
  EXPECT_EQ(login.fullName, Name({{"CN", "admin"}, {"O", "Org"}}));
  EXPECT_EQ(login.defaultContainer, Name({{"O", "Org"}}));
}

TEST_F(LdapServiceTest, CancelledListingEndsAndCursorsStayWithTheirContainer) {
  auto service = Admin();
  const EntryName big = Name({{"OU", "Big"}, {"O", "Org"}});
  service::ListPage first;
  ASSERT_EQ(service->ListChildren(big, false, "", 10, &first), 0);
  ASSERT_FALSE(first.cursor.empty());
  service::ListPage other;
  EXPECT_EQ(service->ListChildren(Name({{"OU", "Sales"}, {"O", "Org"}}), false, first.cursor, 10, &other),
            kErrBadIteration);
  // Asking again for a page already handed out is refused, never answered with stale data.
  service::ListPage second;
  ASSERT_EQ(service->ListChildren(big, false, first.cursor, 10, &second), 0);
  EXPECT_EQ(service->ListChildren(big, false, first.cursor, 10, &other), kErrBadIteration);
  // A new listing of the same container starts afresh, the unfinished one notwithstanding.
  service::ListPage restart;
  ASSERT_EQ(service->ListChildren(big, false, "", 10, &restart), 0);
  EXPECT_EQ(restart.entries.front().rdn, first.entries.front().rdn);

  service->CancelListing(restart.cursor);
  service->CancelListing("not a cursor");
  service::ListPage again;
  ASSERT_EQ(service->ListChildren(big, false, "", 10, &again), 0);
  ASSERT_EQ(again.entries.size(), 10u);
  EXPECT_EQ(again.entries.front().rdn, first.entries.front().rdn);
}

TEST_F(LdapServiceTest, ValuesArriveInTheClientForms) {
  auto service = Admin();
  const EntryName clerk = Name({{"CN", "Clerk"}, {"OU", "Sales"}, {"O", "Org"}});
  service::AttributeValues values;

  ASSERT_EQ(service->ReadAttribute(clerk, "postalAddress", true, &values), 0);
  ASSERT_EQ(values.values.size(), 1u);
  EXPECT_EQ(std::get<value::PostalAddress>(values.values[0]).lines,
            (std::array<std::string, 6>{"1 Main St", "Springfield", "", "", "", ""}));

  ASSERT_EQ(service->ReadAttribute(clerk, "description", true, &values), 0);
  EXPECT_EQ(values.values, (std::vector<service::DirValue>{value::Text{"first"}, value::Text{"second"}}));

  ASSERT_EQ(service->ReadAttribute(clerk, "facsimileTelephoneNumber", true, &values), 0);
  EXPECT_EQ(std::get<value::Fax>(values.values[0]).number, "+1 555 0101");

  ASSERT_EQ(service->ReadAttribute(clerk, "createTimestamp", true, &values), 0);
  EXPECT_EQ(values.syntax, kSynTime);
  const auto created = std::get<value::Seconds>(values.values[0]).seconds;
  EXPECT_LE(created, static_cast<std::uint32_t>(std::time(nullptr)));
  EXPECT_GT(created + 3600, static_cast<std::uint32_t>(std::time(nullptr)));

  // The base class comes first, as readers take the first value for the class.
  const EntryName numbers = Name({{"CN", "Numbers"}, {"OU", "Sales"}, {"O", "Org"}});
  ASSERT_EQ(service->ReadAttribute(numbers, "Object Class", true, &values), 0);
  EXPECT_EQ(values.name, "objectClass");
  EXPECT_EQ(values.values.front(), service::DirValue(value::Text{"inetOrgPerson"}));

  ASSERT_EQ(service->ReadAttribute(numbers, "uidNumber", true, &values), 0);
  EXPECT_EQ(values.values, std::vector<service::DirValue>{value::Integer{-42}});
  // Beyond 32 bits: shown as its text, not cut.
  ASSERT_EQ(service->ReadAttribute(numbers, "gidNumber", true, &values), 0);
  EXPECT_EQ(values.syntax, kSynCiString);
  EXPECT_EQ(values.values, std::vector<service::DirValue>{value::Text{"4294967296"}});
  ASSERT_EQ(service->ReadAttribute(numbers, "jpegPhoto", true, &values), 0);
  EXPECT_EQ(values.values, (std::vector<service::DirValue>{value::Octets{{0, 1, 2, 255}}}));

  ASSERT_EQ(service->ReadAttribute(Name({{"CN", "Team"}, {"OU", "Sales"}, {"O", "Org"}}), "member", true, &values), 0);
  EXPECT_EQ(values.values, (std::vector<service::DirValue>{value::Text{"CN=Clerk.OU=Sales.O=Org"},
                                                           value::Text{"CN=dotted\\.name.OU=Sales.O=Org"}}));

  EXPECT_EQ(service->ReadAttribute(clerk, "mail", true, &values), kErrNoSuchAttribute);
  EXPECT_EQ(service->ReadAttribute(clerk, "noSuchThing", true, &values), kErrNoSuchAttribute);
  EXPECT_EQ(service->ReadAttribute(Name({{"CN", "Nobody"}, {"OU", "Sales"}, {"O", "Org"}}), "cn", true, &values),
            kErrNoSuchEntry);
}

TEST_F(LdapServiceTest, TypelessNamesResolveByValue) {
  auto service = Admin();
  EntryName canonical;
  ASSERT_EQ(service->ResolveName(Name({{"", "clerk"}, {"", "Sales"}, {"", "Org"}}), true, &canonical), 0);
  EXPECT_EQ(canonical, Name({{"CN", "Clerk"}, {"OU", "Sales"}, {"O", "Org"}}));
  ASSERT_EQ(service->ResolveName(Name({{"", "jdoe"}, {"OU", "People"}, {"", "Org"}}), true, &canonical), 0);
  EXPECT_EQ(canonical, Name({{"UID", "jdoe"}, {"OU", "People"}, {"O", "Org"}}));
  EXPECT_EQ(service->ResolveName(Name({{"", "Nobody"}, {"", "Org"}}), true, &canonical), kErrNoSuchEntry);
}

TEST_F(LdapServiceTest, AnRdnOfSeveralValuesIsListedReadAndChangedWhole) {
  auto service = Admin();
  const EntryName people = Name({{"OU", "People"}, {"O", "Org"}});
  service::ListPage page;
  ASSERT_EQ(service->ListChildren(people, false, "", 100, &page), 0);
  const service::NamePart multi{"CN", "Multi+UID=mv1"};
  EXPECT_TRUE(std::any_of(page.entries.begin(), page.entries.end(), [&](const auto& e) { return e.rdn == multi; }));

  for (const service::NamePart& asGiven : {multi, service::NamePart{"", "multi+uid=mv1"}}) {
    SCOPED_TRACE(asGiven.value);
    EntryName canonical;
    ASSERT_EQ(service->ResolveName(EntryName{asGiven, {"", "People"}, {"", "Org"}}, true, &canonical), 0)
        << service->LastDiagnostic();
    EXPECT_EQ(canonical.front(), multi);
  }
  const EntryName entry = Name({{"CN", "Multi+UID=mv1"}, {"OU", "People"}, {"O", "Org"}});
  service::AttributeValues values;
  ASSERT_EQ(service->ReadAttribute(entry, "sn", false, &values), 0) << service->LastDiagnostic();
  EXPECT_EQ(values.values, std::vector<service::DirValue>{value::Text{"M"}});
  ASSERT_EQ(service->Modify(entry, {{kChangeAddValue, "description", service::DirValue(value::Text{"x"})}}), 0);
  const auto raw = RawEntry(*server_, "cn=Multi+uid=mv1,ou=People,o=Org");
  EXPECT_NE(std::find(raw.attributes.begin(), raw.attributes.end(),
                      std::pair<std::string, std::vector<std::string>>{"description", {"x"}}),
            raw.attributes.end());
  // Only the whole name reaches it.
  EXPECT_EQ(service->ReadAttribute(Name({{"CN", "Multi"}, {"OU", "People"}, {"O", "Org"}}), "sn", false, &values),
            kErrNoSuchEntry);
}

TEST_F(LdapServiceTest, SpecialCharactersNeverWidenASearchOrReachAnotherEntry) {
  auto service = Admin();
  EntryName canonical;
  const EntryName sales = Name({{"OU", "Sales"}, {"O", "Org"}});
  for (const std::string& value :
       std::vector<std::string>{"*", "Cl*", "Clerk)(cn=*", "*)(objectClass=*", "Clerk\\", std::string("Clerk\0x", 7),
                                "Clerk,ou=Sales", "Clerk+sn=Clerk", "cn=Clerk"}) {
    SCOPED_TRACE(value);
    EntryName typeless = sales;
    typeless.insert(typeless.begin(), {"", value});
    EXPECT_EQ(service->ResolveName(typeless, true, &canonical), kErrNoSuchEntry);
    EntryName typed = sales;
    typed.insert(typed.begin(), {"CN", value});
    service::AttributeValues values;
    EXPECT_EQ(service->ReadAttribute(typed, "sn", true, &values), kErrNoSuchEntry);
  }
  // The one entry whose name holds all of them is reached exactly.
  const std::string odd = "odd,+=*()\\";
  EntryName typeless = sales;
  typeless.insert(typeless.begin(), {"", odd});
  ASSERT_EQ(service->ResolveName(typeless, true, &canonical), 0);
  EXPECT_EQ(canonical.front(), (service::NamePart{"CN", odd}));
  service::AttributeValues values;
  ASSERT_EQ(service->ReadAttribute(canonical, "sn", true, &values), 0);
  EXPECT_EQ(values.values, std::vector<service::DirValue>{value::Text{"Odd"}});
  // A type that is no attribute name cannot smuggle a DN in.
  EXPECT_EQ(service->ReadAttribute(Name({{"cn=Clerk,ou", "Sales"}, {"O", "Org"}}), "sn", true, &values), kErrBadName);
}

TEST_F(LdapServiceTest, ModifyMapsEachChangeAndResultCode) {
  ASSERT_TRUE(server_->Apply("dn: cn=Target,ou=Sales,o=Org\nobjectClass: person\ncn: Target\nsn: T\n"));
  auto service = Admin();
  const EntryName target = Name({{"CN", "Target"}, {"OU", "Sales"}, {"O", "Org"}});
  using service::Change;
  auto text = [](const char* t) { return std::optional<service::DirValue>(value::Text{t}); };
  struct Case {
    const char* what;
    std::vector<Change> changes;
    DirStatus expected;
  };
  const Case cases[] = {
      {"add a value", {{kChangeAddValue, "description", text("one")}}, 0},
      {"add it again", {{kChangeAddValue, "description", text("one")}}, kErrDuplicateValue},
      {"remove a missing value", {{kChangeRemoveValue, "description", text("none")}}, kErrNoSuchValue},
      {"remove a missing attribute", {{kChangeRemoveAttribute, "telephoneNumber", {}}}, kErrNoSuchAttribute},
      {"attribute the class forbids", {{kChangeAddValue, "dc", text("x")}}, kErrIllegalAttribute},
      {"value of another kind",
       {{kChangeAddValue, "telephoneNumber", service::DirValue(value::Integer{5})}},
       kErrSyntaxViolation},
      {"remove a mandatory attribute", {{kChangeRemoveAttribute, "sn", {}}}, kErrMissingMandatory},
      {"a second structural class",
       {{kChangeAddValue, "objectClass", text("inetOrgPerson")}},
       kErrLdapObjectClassModsProhibited},
      {"invalid syntax", {{kChangeAddValue, "telephoneNumber", text("")}}, kErrSyntaxViolation},
      {"unknown attribute", {{kChangeAddValue, "noSuchThing", text("x")}}, kErrNoSuchAttribute},
      {"overwrite twice keeps both",
       {{kChangeOverwriteValue, "description", text("a")}, {kChangeOverwriteValue, "description", text("b")}},
       0},
      {"all or none",
       {{kChangeAddValue, "telephoneNumber", text("123")}, {kChangeAddValue, "dc", text("x")}},
       kErrIllegalAttribute},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(service->Modify(target, c.changes), c.expected) << service->LastDiagnostic();
  }
  const auto entry = RawEntry(*server_, "cn=Target,ou=Sales,o=Org");
  auto find = [&entry](const char* attr) {
    for (const auto& [name, values] : entry.attributes) {
      if (name == attr) return values;
    }
    return std::vector<std::string>{};
  };
  EXPECT_EQ(find("description"), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(find("telephoneNumber").empty());

  EXPECT_EQ(service->Modify(Name({{"CN", "Nobody"}, {"O", "Org"}}), {{kChangeAddValue, "description", text("x")}}),
            kErrNoSuchEntry);
  auto reader = Open({kReaderDn, {}});
  EXPECT_EQ(reader->Modify(target, {{kChangeAddValue, "description", text("x")}}), kErrNoAccess);
  EXPECT_NE(reader->LastDiagnostic().find("Insufficient access"), std::string::npos) << reader->LastDiagnostic();
}

}  // namespace
}  // namespace recast::ldap::testing

namespace recast::ldap::testing {
namespace {

std::vector<std::string> Texts(LdapService& service, const EntryName& entry, const char* attr) {
  service::AttributeValues values;
  std::vector<std::string> texts;
  if (service.ReadAttribute(entry, attr, false, &values) != 0) return texts;
  for (const auto& v : values.values) texts.push_back(std::get<value::Text>(v).text);
  return texts;
}

TEST_F(LdapServiceTest, AnEntryIsFetchedOnceForItsNameAndValuesUntilAChangeOrAnAction) {
  auto service = Admin();
  const EntryName dropped = Name({{"CN", "Dropped"}, {"OU", "People"}, {"O", "Org"}});
  EntryName canonical;
  ASSERT_EQ(service->ResolveName(dropped, true, &canonical), 0);
  const auto start = service->RequestsSent();
  ASSERT_EQ(service->ResolveName(dropped, true, &canonical), 0);
  EXPECT_EQ(Texts(*service, dropped, "description"), std::vector<std::string>{"kept"});
  EXPECT_EQ(Texts(*service, dropped, "sn"), std::vector<std::string>{"Dropped"});
  EXPECT_EQ(Texts(*service, dropped, "seeAlso"), std::vector<std::string>{});
  EXPECT_EQ(service->RequestsSent(), start);  // all from the fetch of the first resolve

  // A change through the service is seen at once; one behind its back after the next action.
  ASSERT_EQ(service->Modify(dropped, {{kChangeAddValue, "description", value::Text{"mine"}}}), 0);
  EXPECT_EQ(Texts(*service, dropped, "description"), (std::vector<std::string>{"kept", "mine"}));
  ASSERT_TRUE(
      server_->Apply("dn: cn=Dropped,ou=People,o=Org\nchangetype: modify\nadd: description\n"
                     "description: theirs\n",
                     true));
  EXPECT_EQ(Texts(*service, dropped, "description").size(), 2u);
  service->BeginUserAction();
  EXPECT_EQ(Texts(*service, dropped, "description"), (std::vector<std::string>{"kept", "mine", "theirs"}));
  EXPECT_EQ(service->RequestsSent(), start + 3);  // the modify and two fetches

  // Operational attributes are asked for on their own.
  service::AttributeValues values;
  EXPECT_EQ(service->ReadAttribute(dropped, "entryUUID", false, &values), 0);
  EXPECT_EQ(service->RequestsSent(), start + 4);
  // A class change after the name was resolved sends only the modify.
  ASSERT_EQ(service->ResolveName(dropped, true, &canonical), 0);
  ASSERT_EQ(service->ChangeBaseClass(dropped, "person"), 0) << service->LastDiagnostic();
  EXPECT_EQ(service->RequestsSent(), start + 5);
}

TEST_F(LdapServiceTest, APrefetchingListingServesTheReadsOfItsEntries) {
  const EntryName big = Name({{"OU", "Big"}, {"O", "Org"}});
  for (const bool prefetch : {false, true}) {
    SCOPED_TRACE(prefetch);
    auto service = Admin();
    service->SetListingPrefetch(prefetch);
    service::ListPage page;
    ASSERT_EQ(service->ListChildren(big, false, "", 50, &page), 0);
    const auto start = service->RequestsSent();
    for (const auto& summary : page.entries) {
      EntryName entry = big;
      entry.insert(entry.begin(), summary.rdn);
      EXPECT_EQ(Texts(*service, entry, "cn"), std::vector<std::string>{summary.rdn.value});
      EXPECT_EQ(Texts(*service, entry, "sn"), std::vector<std::string>{"S"});
    }
    EXPECT_EQ(service->RequestsSent() - start, prefetch ? 0u : page.entries.size());
    service->CancelListing(page.cursor);
  }
}

TEST_F(LdapServiceTest, PrefetchedEntriesServeTheirReadsAndAMissingOneFailsAtItsOwnRead) {
  const EntryName big = Name({{"OU", "Big"}, {"O", "Org"}});
  auto service = Admin();
  service::ListPage page;
  ASSERT_EQ(service->ListChildren(big, false, "", 3, &page), 0);
  ASSERT_EQ(page.entries.size(), 3u);
  service->CancelListing(page.cursor);
  std::vector<EntryName> wanted;
  for (const auto& summary : page.entries)
    wanted.push_back(Name({{"cn", summary.rdn.value.c_str()}, {"ou", "Big"}, {"o", "Org"}}));
  const EntryName missing = Name({{"cn", "Nobody"}, {"ou", "Big"}, {"o", "Org"}});
  wanted.push_back(missing);
  wanted.push_back(Name({{"", "Typeless"}, {"ou", "Big"}, {"o", "Org"}}));  // left to its own read
  // Children of one parent are asked for in one search.
  const auto start = service->RequestsSent();
  service->Prefetch(wanted);
  EXPECT_EQ(service->RequestsSent() - start, 1u);
  service->BeginUserAction();  // the requests were sent for the action that begins: they stay
  for (std::size_t i = 0; i < page.entries.size(); ++i) {
    EXPECT_EQ(Texts(*service, wanted[i], "sn"), std::vector<std::string>{"S"});
  }
  EXPECT_EQ(service->RequestsSent() - start, 1u);
  service::AttributeValues values;
  EXPECT_EQ(service->ReadAttribute(missing, "sn", false, &values), kErrNoSuchEntry);

  // A large batch takes a search per few dozen; an entry changed before its answer was taken
  // is read again.
  service->BeginUserAction();
  std::vector<EntryName> many;
  for (int i = 100; i < 160; ++i) {
    const std::string cn = "entry" + std::to_string(i);
    many.push_back(Name({{"cn", cn.c_str()}, {"ou", "Big"}, {"o", "Org"}}));
  }
  const auto batch = service->RequestsSent();
  service->Prefetch(many);
  EXPECT_EQ(service->RequestsSent() - batch, 2u);
  ASSERT_EQ(service->Modify(many[5], {{kChangeAddValue, "description", service::DirValue(value::Text{"new"})}}), 0);
  EXPECT_EQ(Texts(*service, many.back(), "sn"), std::vector<std::string>{"S"});
  EXPECT_EQ(Texts(*service, many[5], "description"), std::vector<std::string>{"new"});
  for (const EntryName& name : many) EXPECT_EQ(Texts(*service, name, "sn"), std::vector<std::string>{"S"});
  EXPECT_EQ(service->RequestsSent() - batch, 4u);  // the searches, the change, the changed entry's read

  // A second batch gives up what the first asked and nobody read: that entry is asked again.
  service->BeginUserAction();
  service->Prefetch({wanted[0]});
  service->Prefetch({wanted[1]});
  const auto before = service->RequestsSent();
  EXPECT_EQ(Texts(*service, wanted[1], "sn"), std::vector<std::string>{"S"});
  EXPECT_EQ(Texts(*service, wanted[0], "sn"), std::vector<std::string>{"S"});
  EXPECT_EQ(service->RequestsSent() - before, 1u);
}

TEST(LdapReadAheadTest, AServerThatCannotSearchByEntryDnIsAskedForEachEntry) {
  constexpr int kPeople = 40;
  std::string seed;
  std::vector<EntryName> people;
  for (int i = 0; i < kPeople; ++i) {
    const std::string cn = "p" + std::to_string(i);
    seed += "dn: cn=" + cn + ",ou=People,o=Org\nobjectClass: person\ncn: " + cn + "\nsn: S\n\n";
    people.push_back(Name({{"cn", cn.c_str()}, {"ou", "People"}, {"o", "Org"}}));
  }
  SlapdOptions options = Seeded(seed);
  options.extraAccess = "access to attrs=entryDN by * none\n";  // the reader cannot search by it
  std::string error;
  auto server = SlapdServer::Start(options, &error);
  ASSERT_NE(server, nullptr) << error;
  DirStatus status = 0;
  auto service = OpenService(*server, {kReaderDn, {}}, &status);
  ASSERT_EQ(status, 0);
  const auto read = [&](int i) { return Texts(*service, people[i], "sn") == std::vector<std::string>{"S"}; };

  const auto start = service->RequestsSent();
  service->Prefetch({people[0], people[1], people[2]});
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(read(i));
  EXPECT_EQ(service->RequestsSent() - start, 4u);  // the search that found nothing, then each

  // From then on each entry is asked for on its own, a few requests at a time; one read
  // before its turn is read on its own and not asked for again.
  service->BeginUserAction();
  const std::vector<EntryName> rest(people.begin() + 3, people.end());
  const auto next = service->RequestsSent();
  service->Prefetch(rest);
  EXPECT_LT(service->RequestsSent() - next, rest.size());
  EXPECT_TRUE(read(kPeople - 1));
  for (int i = 3; i < kPeople; ++i) EXPECT_TRUE(read(i)) << i;
  EXPECT_EQ(service->RequestsSent() - next, rest.size());
}

}  // namespace
}  // namespace recast::ldap::testing
