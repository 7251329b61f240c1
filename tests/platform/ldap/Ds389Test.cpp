// The LDAP service on 389 Directory Server: the conformance suite, and class changes as the
// server decides them, next to what the analysis predicts. One server for the whole binary.

#include <gtest/gtest.h>
#include <ldap.h>

#include <fstream>
#include <map>
#include <set>

#include "DirectoryServiceConformance.h"
#include "directory/Directory.h"
#include "engine/Analysis.h"
#include "platform/client/DirectoryClientFactory.h"
#include "platform/ldap/LdapSchema.h"
#include "platform/ldap/LdapStatus.h"
#include "tests/platform/ldap/LdapConformanceSeed.h"
#include "tests/platform/ldap/support/Ds389Server.h"
#include "tests/platform/ldap/support/LdapTestSupport.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast::ldap::testing {
namespace {

std::string SchemaChange() {
  std::string ldif = "dn: cn=schema\nchangetype: modify\nadd: attributeTypes\n";
  for (const char* type : kConformanceAttributeTypes) ldif += std::string("attributeTypes: ") + type + "\n";
  return ldif + "-\nadd: objectClasses\nobjectClasses: " + kConformanceObjectClass + "\n";
}

// The rights of the conformance logins, given on o=Seed.
constexpr const char* kSeedAcis =
    "dn: o=Seed\nchangetype: modify\nadd: aci\n"
    "aci: (targetattr=\"*\")(version 3.0; acl \"admin\"; allow (all) userdn=\"ldap:///cn=Admin,o=Seed\";)\n"
    "aci: (targetattr=\"*\")(version 3.0; acl \"reader\"; allow (read, search, compare) "
    "userdn=\"ldap:///cn=Reader,o=Seed\";)\n";

// Entries of the class-change cases, below ou=People,o=Org.
constexpr const char* kPeople =
    "dn: cn=Ines,ou=People,o=Org\nobjectClass: inetOrgPerson\ncn: Ines\nsn: I\nmail: ines@example.org\n"
    "uid: ines\ntitle: Buyer\n\n"
    "dn: cn=Iris,ou=People,o=Org\nobjectClass: inetOrgPerson\ncn: Iris\nsn: I\nmail: iris@example.org\n"
    "uid: iris\n\n"
    "dn: uid=bob,ou=People,o=Org\nobjectClass: inetOrgPerson\nuid: bob\ncn: Bob\nsn: B\n\n"
    "dn: cn=Mia,ou=People,o=Org\nobjectClass: person\ncn: Mia\nsn: M\n\n";

std::vector<std::string> Values(const LdifEntry& entry, const std::string& attr) {
  for (const auto& [name, values] : entry.attributes) {
    if (name == attr) return values;
  }
  return {};
}

// The binary's one server, started at first use and stopped when the binary ends. Null (and
// the reason) when it is not installed or does not start.
Ds389Server* Shared(std::string* why) {
  static std::string error;
  static const std::unique_ptr<Ds389Server> server = [] {
    Ds389Options options;
    options.suffixes = {"o=Org", "o=Seed"};
    options.schemaLdif = SchemaChange();
    options.seedLdif = BaseLdif389() + kPeople;
    return Ds389Server::Start(options, &error);
  }();
  *why = error;
  return server.get();
}

// In a test: the shared server, or skip (not installed) or fail (does not start).
#define DS389_OR_RETURN(server)                                   \
  std::string why;                                                \
  Ds389Server* server = Shared(&why);                             \
  if (!server) {                                                  \
    if (!Ds389Server::Installed()) GTEST_SKIP() << kDs389Missing; \
    FAIL() << why;                                                \
  }

service::conformance::ConformanceTarget MakeDs389Target() {
  service::conformance::ConformanceTarget target;
  std::string why;
  Ds389Server* server = Shared(&why);
  if (!server) {
    if (!Ds389Server::Installed()) {
      [] { GTEST_SKIP() << kDs389Missing; }();  // the suite's SetUp sees the skip
    } else {
      ADD_FAILURE() << why;
    }
    return target;
  }
  // A freshly seeded tree for every test: the tests change it.
  if (!server->DeleteTree("o=Seed") || !server->Apply(kConformanceSeed) || !server->Apply(kSeedAcis, true)) {
    ADD_FAILURE() << "the seed of o=Seed could not be renewed; see " << (server->Directory() / "apply.log");
    return target;
  }
  DirStatus status = 0;
  // 389 Directory Server changes a structural class with a plain modify: no Relax Rules.
  auto writer = OpenService(*server, {"cn=Admin,o=Seed", {}}, &status);
  if (!writer) ADD_FAILURE() << "writer login failed: " << status;
  auto reader = OpenService(*server, {"cn=Reader,o=Seed", {}}, &status);
  if (!reader) ADD_FAILURE() << "reader login failed: " << status;
  target.writer = std::move(writer);
  target.reader = std::move(reader);
  target.names = ConformanceSeedNames();
  return target;
}

// The window's path: the client over the service, the analysis on the directory layer.
class Ds389ClassChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DS389_OR_RETURN(server);
    client_ = MakeClient(*server, "DS389", kRootDn);
    session_ = std::make_unique<DirectorySession>(*client_, ui_);
    ASSERT_EQ(InitNetWare(*session_), 0);
    ASSERT_EQ(client_->CreateContext(&ctx_), 0);
    ASSERT_EQ(SetTree(*session_, ctx_, "DS389", false), 0);
    ASSERT_EQ(SetNameContext(*session_, ctx_, "OU=People.O=Org"), 0);
  }
  void TearDown() override {
    if (client_ && ctx_ != kNoContext) client_->FreeContext(ctx_);
  }

  engine::Analysis Analyse(const char* object, const char* from, const char* to) {
    client_->BeginUserAction();
    engine::ObjectAnalyser analyser(*session_);
    engine::Analysis a;
    EXPECT_EQ(analyser.Analyse(ctx_, object, from, to, &a), 0) << object;
    return a;
  }

  std::unique_ptr<DirectoryClient> client_;
  ScriptedUserInterface ui_;
  std::unique_ptr<DirectorySession> session_;
  DirContext ctx_ = kNoContext;
};

TEST_F(Ds389ClassChangeTest, TheServerRefusesWhatTheAnalysisDoesNotOffer) {
  struct Case {
    const char* what;
    const char* object;
    const char* from;
    const char* to;
    bool deleteFirst;  // delete the deletable conflicts, as the window's button does
    engine::Verdict verdict;
    bool offered;      // the analysis then offers the class change
    DirStatus change;  // the server's answer to it
  };
  const Case cases[] = {
      {"conflicts left", "CN=Ines", "inetOrgPerson", "organizationalPerson", false, engine::Verdict::kDeleteFirst,
       false, kErrIllegalAttribute},
      {"conflicts deleted first", "CN=Iris", "inetOrgPerson", "organizationalPerson", true,
       engine::Verdict::kDeleteFirst, true, 0},
      {"naming attribute", "UID=bob", "inetOrgPerson", "organizationalPerson", false, engine::Verdict::kBlocked, false,
       kErrIllegalAttribute},
      // The window's button stays enabled for a missing mandatory attribute (its "- " line and
      // error text are the warning); the verdict says what the server does: it refuses.
      {"missing mandatory", "CN=Mia", "person", "residentialPerson", false, engine::Verdict::kMissingMandatory, true,
       kErrMissingMandatory},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    engine::Analysis a = Analyse(c.object, c.from, c.to);
    EXPECT_EQ(engine::VerdictName(a.verdict), std::string(engine::VerdictName(c.verdict))) << a.summary;
    if (c.deleteFirst) {
      for (const auto& attr : a.DeletableAttributes()) {
        EXPECT_EQ(ModifyAttribute(*session_, ctx_, c.object, attr, nullptr, nullptr, kChangeRemoveAttribute), 0)
            << attr;
      }
      a = Analyse(c.object, c.from, c.to);
    }
    EXPECT_EQ(a.canRecast, c.offered) << a.summary;
    EXPECT_EQ(client_->NWDSMutateObject(ctx_, c.object, c.to, 0), c.change);
  }
  const engine::Analysis missing = Analyse("CN=Mia", "person", "residentialPerson");
  ASSERT_EQ(missing.conflicts.size(), 1u);
  EXPECT_EQ(missing.conflicts[0].mark, '-');
  EXPECT_EQ(missing.conflicts[0].attribute, "l");
  // The naming attribute cannot be deleted either: the analysis was right to offer nothing.
  EXPECT_EQ(ModifyAttribute(*session_, ctx_, "UID=bob", "uid", nullptr, nullptr, kChangeRemoveAttribute),
            kErrLdapResultBase - LDAP_NOT_ALLOWED_ON_RDN);
}

TEST(Ds389ServiceTest, ARefusedClassChangeNamesTheFirstAttributeInTheWay) {
  DS389_OR_RETURN(server);
  ASSERT_TRUE(
      server->Apply("dn: cn=Vera,ou=People,o=Org\nobjectClass: inetOrgPerson\ncn: Vera\nsn: V\n"
                    "mail: vera@example.org\nuid: vera\n\n"));
  DirStatus status = 0;
  auto service = OpenService(*server, {kWriterDn, {}}, &status);
  ASSERT_NE(service, nullptr) << status;
  const auto vera = Name({{"CN", "Vera"}, {"OU", "People"}, {"O", "Org"}});
  EXPECT_EQ(service->ChangeBaseClass(vera, "organizationalPerson"), kErrIllegalAttribute);
  EXPECT_NE(service->LastDiagnostic().find("attribute \"mail\" not allowed"), std::string::npos)
      << service->LastDiagnostic();
  ASSERT_EQ(service->Modify(vera, {{kChangeRemoveAttribute, "mail", std::nullopt}}), 0);
  EXPECT_EQ(service->ChangeBaseClass(vera, "organizationalPerson"), kErrIllegalAttribute);  // uid is left
  ASSERT_EQ(service->Modify(vera, {{kChangeRemoveAttribute, "uid", std::nullopt}}), 0);
  ASSERT_EQ(service->ChangeBaseClass(vera, "organizationalPerson"), 0) << service->LastDiagnostic();
  EXPECT_EQ(Values(RawEntry(*server, "cn=Vera,ou=People,o=Org"), "objectClass").front(), "organizationalPerson");
}

// 389 Directory Server sends the same paging cookie with every page: the pages are told apart
// all the same. Children of one parent read ahead come in one search each few dozen.
TEST(Ds389ServiceTest, AListingGoesThroughEveryServerPageAndABatchIsReadAhead) {
  DS389_OR_RETURN(server);
  constexpr int kMany = 2100;  // three server pages
  std::string ldif = "dn: ou=Many,o=Org\nobjectClass: organizationalUnit\nou: Many\n\n";
  for (int i = 0; i < kMany; ++i) {
    const std::string cn = "m" + std::to_string(i);
    ldif += "dn: cn=" + cn + ",ou=Many,o=Org\nobjectClass: person\ncn: " + cn + "\nsn: S\n\n";
  }
  ASSERT_TRUE(server->Apply(ldif));
  DirStatus status = 0;
  auto service = OpenService(*server, {kRootDn, {}}, &status);
  ASSERT_NE(service, nullptr) << status;
  const auto many = Name({{"OU", "Many"}, {"O", "Org"}});
  std::set<std::string> listed;
  std::string cursor;
  do {
    service::ListPage page;
    ASSERT_EQ(service->ListChildren(many, false, cursor, 700, &page), 0) << service->LastDiagnostic();
    for (const auto& entry : page.entries) listed.insert(entry.rdn.value);
    cursor = page.cursor;
  } while (!cursor.empty());
  EXPECT_EQ(listed.size(), static_cast<std::size_t>(kMany));

  std::vector<service::EntryName> batch;
  for (int i = 0; i < 40; ++i) {
    const std::string cn = "m" + std::to_string(i);
    batch.push_back(Name({{"CN", cn.c_str()}, {"OU", "Many"}, {"O", "Org"}}));
  }
  service->BeginUserAction();
  const auto start = service->RequestsSent();
  service->Prefetch(batch);
  for (const auto& name : batch) {
    service::AttributeValues values;
    EXPECT_EQ(service->ReadAttribute(name, "sn", false, &values), 0) << service->LastDiagnostic();
  }
  EXPECT_EQ(service->RequestsSent() - start, 2u);
}

// The first name of an RFC 4512 definition, or its OID when it has none.
std::string FirstName(const std::string& definition) {
  auto at = definition.find(" NAME ");
  if (at == std::string::npos) {
    const auto start = definition.find_first_not_of("( ");
    return definition.substr(start, definition.find(' ', start) - start);
  }
  at = definition.find('\'', at);
  return definition.substr(at + 1, definition.find('\'', at + 1) - at - 1);
}

TEST(Ds389SchemaTest, EveryDefinitionOfTheServersSchemaIsRead) {
  DS389_OR_RETURN(server);
  DirStatus status = 0;
  auto service = OpenService(*server, {kReaderDn, {}}, &status);
  ASSERT_NE(service, nullptr) << status;
  service::Schema schema;
  ASSERT_EQ(service->ReadSchema(&schema), 0);
  std::set<std::string, CaseLess> read;
  std::map<std::string, std::uint32_t, CaseLess> syntaxes;
  for (const auto& c : schema.classes) read.insert("class " + c.name);
  for (const auto& a : schema.attributes) {
    read.insert("attribute " + a.name);
    syntaxes[a.name] = a.syntax;
  }

  const LdifEntry raw = RawEntry(*server, "cn=schema", true);
  const auto classes = Values(raw, "objectClasses");
  const auto attributes = Values(raw, "attributeTypes");
  EXPECT_GE(classes.size(), 190u);
  EXPECT_GE(attributes.size(), 1000u);
  std::vector<std::string> unread;
  for (const auto& d : classes) {
    if (!read.count("class " + FirstName(d))) unread.push_back(d);
  }
  for (const auto& d : attributes) {
    if (!read.count("attribute " + FirstName(d))) unread.push_back(d);
  }
  EXPECT_EQ(unread, std::vector<std::string>{});

  // Textual syntaxes of the standard schema that 389 Directory Server uses.
  const std::pair<const char*, std::uint32_t> expected[] = {
      {"preferredDeliveryMethod", kSynCiString}, {"searchGuide", kSynCiString},
      {"enhancedSearchGuide", kSynCiString},     {"nsUniqueId", kSynCiString},
      {"userCertificate", kSynOctetString},      {"numSubordinates", kSynInteger},
  };
  for (const auto& [name, syntax] : expected) EXPECT_EQ(syntaxes[name], syntax) << name;
}
}  // namespace
}  // namespace recast::ldap::testing

namespace recast::service::conformance {
INSTANTIATE_TEST_SUITE_P(Ldap, DirectoryServiceConformance,
                         ::testing::Values(ConformanceFactory(recast::ldap::testing::MakeDs389Target)),
                         [](const auto&) { return std::string("Ds389"); });
}  // namespace recast::service::conformance
