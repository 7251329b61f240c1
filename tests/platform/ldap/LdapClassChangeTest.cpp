// Changing an entry's structural class on slapd: the refusal, the Relax Rules retry and the
// safe re-create.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <fstream>

#include "platform/errtext/ErrorTextLibrary.h"
#include "platform/ldap/BackupMarks.h"
#include "platform/ldap/LdapStatus.h"
#include "tests/platform/ldap/support/LdapTestSupport.h"

namespace recast::ldap::testing {
namespace {

using service::EntryName;

std::string Seed() {
  std::string ldif;
  for (const char* name : {"Plain", "Relaxed", "NoManage", "Recreated", "FailedAdd", "Killed", "Kept", "Pruned"}) {
    ldif += std::string("dn: cn=") + name +
            ",ou=People,o=Org\nobjectClass: person\nobjectClass: simpleSecurityObject\n"
            "cn: " +
            name + "\nsn: " + name + "\nuserPassword: pw\ndescription: kept\ntelephoneNumber: 123\n\n";
  }
  ldif +=
      "dn: cn=Restored,ou=People,o=Org\nobjectClass: person\nobjectClass: simpleSecurityObject\ncn: Restored\n"
      "sn: R\nuserPassword: pw\ndescription: Zo\xC3\xAB\ndescription: two\ntelephoneNumber: 123\n\n";
  ldif +=
      "dn: cn=Holder,ou=People,o=Org\nobjectClass: person\ncn: Holder\nsn: H\n\n"
      "dn: cn=Child,cn=Holder,ou=People,o=Org\nobjectClass: person\ncn: Child\nsn: C\n\n";
  return ldif;
}

std::vector<std::string> Values(const LdifEntry& entry, const std::string& attr) {
  for (const auto& [name, values] : entry.attributes) {
    if (name == attr) return values;
  }
  return {};
}

class LdapClassChangeTest : public ::testing::Test {
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

  std::unique_ptr<LdapService> Open(const char* dn, std::map<std::string, std::string> settings) {
    DirStatus status = 0;
    auto service = OpenService(*server_, {dn, std::move(settings)}, &status);
    EXPECT_EQ(status, 0);
    return service;
  }
  static EntryName Person(const char* cn) { return Name({{"CN", cn}, {"OU", "People"}, {"O", "Org"}}); }
  static std::string PersonDn(const char* cn) { return std::string("cn=") + cn + ",ou=People,o=Org"; }

  static SlapdServer* server_;
};
SlapdServer* LdapClassChangeTest::server_ = nullptr;

TEST_F(LdapClassChangeTest, StructuralChangeIsRefusedWithTheServersMessage) {
  auto service = Open(kRootDn, {});
  const auto before = RawEntry(*server_, PersonDn("Plain"), true);
  EXPECT_EQ(service->ChangeBaseClass(Person("Plain"), "organizationalPerson"), kErrLdapObjectClassModsProhibited);
  EXPECT_NE(service->LastDiagnostic().find(
                "structural object class modification from 'person' to 'organizationalPerson' not allowed"),
            std::string::npos)
      << service->LastDiagnostic();
  EXPECT_EQ(std::string(NWstrerror(kErrLdapObjectClassModsProhibited)), service->LastDiagnostic());
  // ... and what to do about it.
  for (const char* hint : {"does not allow changing the structural class in place", "RelaxRules=yes", "Recreate=yes",
                           "platform/ldap/README.md"}) {
    EXPECT_NE(service->LastDiagnostic().find(hint), std::string::npos) << service->LastDiagnostic();
  }
  EXPECT_EQ(RawEntry(*server_, PersonDn("Plain"), true), before);

  EXPECT_EQ(service->ChangeBaseClass(Person("Plain"), "noSuchClass"), kErrNoSuchClass);
  EXPECT_EQ(service->ChangeBaseClass(Person("Plain"), "posixAccount"), kErrNotEffectiveClass);
  EXPECT_EQ(service->ChangeBaseClass(Person("Nobody"), "organizationalPerson"), kErrNoSuchEntry);
}

TEST_F(LdapClassChangeTest, RelaxRulesRetrySucceedsForTheRootDnAndKeepsAuxiliaryClasses) {
  auto service = Open(kRootDn, {{"relaxrules", "yes"}});
  const auto uuid = Values(RawEntry(*server_, PersonDn("Relaxed"), true), "entryUUID");
  ASSERT_EQ(service->ChangeBaseClass(Person("Relaxed"), "inetOrgPerson"), 0) << service->LastDiagnostic();
  const auto after = RawEntry(*server_, PersonDn("Relaxed"), true);
  EXPECT_EQ(Values(after, "objectClass"), (std::vector<std::string>{"inetOrgPerson", "organizationalPerson", "person",
                                                                    "top", "simpleSecurityObject"}));
  EXPECT_EQ(Values(after, "structuralObjectClass"), std::vector<std::string>{"inetOrgPerson"});
  EXPECT_EQ(Values(after, "entryUUID"), uuid);  // the same entry, changed in place
  EXPECT_EQ(Values(after, "description"), std::vector<std::string>{"kept"});

  // And back again, to a super class.
  ASSERT_EQ(service->ChangeBaseClass(Person("Relaxed"), "person"), 0) << service->LastDiagnostic();
  EXPECT_EQ(Values(RawEntry(*server_, PersonDn("Relaxed")), "objectClass"),
            (std::vector<std::string>{"person", "top", "simpleSecurityObject"}));
}

// The attributes in the way removed first, the class change takes the classes as read before;
// a change of the classes themselves has them read again.
TEST_F(LdapClassChangeTest, AClassChangeAfterRemovingAttributesReadsTheClassesOnlyWhenTheyChanged) {
  auto service = Open(kRootDn, {{"relaxrules", "yes"}});
  service::AttributeValues values;
  ASSERT_EQ(service->ReadAttribute(Person("Pruned"), "description", false, &values), 0);
  const auto start = service->RequestsSent();
  ASSERT_EQ(service->Modify(Person("Pruned"), {{kChangeRemoveAttribute, "description", std::nullopt}}), 0);
  ASSERT_EQ(service->Modify(Person("Pruned"), {{kChangeRemoveAttribute, "telephoneNumber", std::nullopt}}), 0);
  ASSERT_EQ(service->ChangeBaseClass(Person("Pruned"), "organizationalPerson"), 0) << service->LastDiagnostic();
  EXPECT_EQ(service->RequestsSent() - start, 4u);  // two removals, the refused change, its Relax Rules retry
  const auto after = RawEntry(*server_, PersonDn("Pruned"));
  EXPECT_EQ(Values(after, "objectClass"),
            (std::vector<std::string>{"organizationalPerson", "person", "top", "simpleSecurityObject"}));
  EXPECT_TRUE(Values(after, "description").empty());

  ASSERT_EQ(service->Modify(Person("Pruned"), {{kChangeAddValue, "objectClass",
                                                service::DirValue(service::value::Text{"extensibleObject"})}}),
            0);
  ASSERT_EQ(service->ChangeBaseClass(Person("Pruned"), "person"), 0) << service->LastDiagnostic();
  EXPECT_EQ(Values(RawEntry(*server_, PersonDn("Pruned")), "objectClass"),
            (std::vector<std::string>{"person", "top", "simpleSecurityObject", "extensibleObject"}));
}

TEST_F(LdapClassChangeTest, RestoreRecordPutsClassAndRemovedValuesBackThroughLdapmodify) {
  auto service = Open(kRootDn, {{"relaxrules", "yes"}});
  const auto before = RawEntry(*server_, PersonDn("Restored"));
  std::string record;
  ASSERT_EQ(service->DescribeRestoreLdif(Person("Restored"), {"Description", "telephoneNumber", "seeAlso"}, &record), 0)
      << service->LastDiagnostic();
  EXPECT_EQ(record,
            "dn: cn=Restored,ou=People,o=Org\nchangetype: modify\nreplace: objectClass\nobjectClass: person\n"
            "objectClass: simpleSecurityObject\n-\nadd: description\ndescription:: Wm/Dqw==\ndescription: two\n-\n"
            "add: telephoneNumber\ntelephoneNumber: 123\n-\n");

  ASSERT_EQ(service->Modify(Person("Restored"), {{kChangeRemoveAttribute, "description", std::nullopt},
                                                 {kChangeRemoveAttribute, "telephoneNumber", std::nullopt}}),
            0);
  ASSERT_EQ(service->ChangeBaseClass(Person("Restored"), "inetOrgPerson"), 0) << service->LastDiagnostic();
  ASSERT_NE(RawEntry(*server_, PersonDn("Restored")), before);
  const auto file = server_->Directory() / "restore.ldif";
  std::ofstream(file) << "version: 1\n\n" << record;
  ASSERT_EQ(RunProgram({"ldapmodify", "-e", "relax", "-x", "-H", server_->Url(), "-D", kRootDn, "-w", kPassword, "-f",
                        file.string()},
                       server_->Directory() / "restore.log"),
            0);
  EXPECT_EQ(RawEntry(*server_, PersonDn("Restored")), before);
}

TEST_F(LdapClassChangeTest, RelaxRulesRetryNeedsWriteAccessToTheEntry) {
  const auto before = RawEntry(*server_, PersonDn("NoManage"), true);
  auto reader = Open(kReaderDn, {{"relaxrules", "yes"}});
  EXPECT_EQ(reader->ChangeBaseClass(Person("NoManage"), "inetOrgPerson"), kErrNoAccess);
  EXPECT_EQ(RawEntry(*server_, PersonDn("NoManage"), true), before);

  // slapd 2.5 does not ask for manage access here: write access to objectClass is enough.
  auto writer = Open(kWriterDn, {{"relaxrules", "yes"}});
  EXPECT_EQ(writer->ChangeBaseClass(Person("NoManage"), "inetOrgPerson"), 0) << writer->LastDiagnostic();
  auto plainWriter = Open(kWriterDn, {});
  EXPECT_EQ(plainWriter->ChangeBaseClass(Person("NoManage"), "person"), kErrLdapObjectClassModsProhibited);
}

TEST_F(LdapClassChangeTest, RecreateReplacesALeafEntryAndKeepsABackup) {
  const auto data = server_->Directory() / "recreate-data";
  DirStatus status = 0;
  auto service = OpenService(*server_, {kWriterDn, {{"recreate", "yes"}}}, &status, data);
  ASSERT_EQ(status, 0);
  const auto before = RawEntry(*server_, PersonDn("Recreated"), true);
  ASSERT_EQ(service->ChangeBaseClass(Person("Recreated"), "inetOrgPerson"), 0) << service->LastDiagnostic();
  const auto after = RawEntry(*server_, PersonDn("Recreated"), true);
  EXPECT_EQ(Values(after, "structuralObjectClass"), std::vector<std::string>{"inetOrgPerson"});
  for (const char* attr : {"cn", "sn", "userPassword", "description", "telephoneNumber"}) {
    EXPECT_EQ(Values(after, attr), Values(before, attr)) << attr;
  }
  EXPECT_NE(Values(after, "entryUUID"), Values(before, "entryUUID"));  // a new entry, as documented

  int backups = 0;
  for (const auto& file : std::filesystem::directory_iterator(data / "ldap-backups")) {
    ++backups;
    struct stat info {};
    ASSERT_EQ(::stat(file.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    LdifEntry saved;
    ASSERT_EQ(LoadLdifBackup(file.path(), &saved), 0);
    EXPECT_EQ(saved.dn, PersonDn("Recreated"));
  }
  EXPECT_EQ(backups, 1);
}

TEST_F(LdapClassChangeTest, FailingRecreateRestoresTheOriginalByteForByte) {
  const auto data = server_->Directory() / "failed-data";
  DirStatus status = 0;
  auto service = OpenService(*server_, {kWriterDn, {{"recreate", "yes"}}}, &status, data);
  ASSERT_EQ(status, 0);
  const auto before = RawEntry(*server_, PersonDn("FailedAdd"));
  // organizationalRole does not allow sn: the add fails and the original goes back.
  EXPECT_EQ(service->ChangeBaseClass(Person("FailedAdd"), "organizationalRole"), kErrIllegalAttribute);
  EXPECT_NE(service->LastDiagnostic().find("restored"), std::string::npos) << service->LastDiagnostic();
  EXPECT_EQ(RawEntry(*server_, PersonDn("FailedAdd")), before);
}

TEST_F(LdapClassChangeTest, RecreateKilledBetweenDeleteAndAddIsPutBackAtTheNextConnection) {
  const auto data = server_->Directory() / "killed-data";
  const auto before = RawEntry(*server_, PersonDn("Killed"));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    DirStatus status = 0;
    auto service = OpenService(*server_, {kWriterDn, {{"recreate", "yes"}}}, &status, data);
    if (service) {
      service->SetRecreateHook([] { ::raise(SIGKILL); });
      service->ChangeBaseClass(Person("Killed"), "inetOrgPerson");
    }
    ::_exit(1);
  }
  int wait = 0;
  ASSERT_EQ(::waitpid(child, &wait, 0), child);
  ASSERT_TRUE(WIFSIGNALED(wait) && WTERMSIG(wait) == SIGKILL) << wait;
  ASSERT_TRUE(RawEntry(*server_, PersonDn("Killed")).dn.empty()) << "the kill did not come between delete and add";

  // The restart: connecting puts the entry back as it was and says so once.
  DirStatus status = 0;
  auto restarted = OpenService(*server_, {kWriterDn, {}}, &status, data);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(RawEntry(*server_, PersonDn("Killed")), before);
  const auto notices = restarted->TakeNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices.front().find(PersonDn("Killed")), std::string::npos) << notices.front();
  EXPECT_NE(notices.front().find((data / "ldap-backups" / "entry-").string()), std::string::npos) << notices.front();
  EXPECT_TRUE(restarted->TakeNotices().empty());
  auto again = OpenService(*server_, {kWriterDn, {}}, &status, data);
  ASSERT_EQ(status, 0);
  EXPECT_TRUE(again->TakeNotices().empty());

  // A pending backup whose entry exists (the program died before the delete) is only marked done.
  std::filesystem::path backup;
  std::string diagnostic;
  ASSERT_EQ(SaveLdifBackup(data / "ldap-backups", RawEntry(*server_, PersonDn("Kept")), &backup, &diagnostic), 0);
  {
    PendingMark mark;
    ASSERT_EQ(PendingMark::Create(backup, server_->Url(), &mark, &diagnostic), 0) << diagnostic;
  }
  ASSERT_TRUE(std::filesystem::exists(backup.string() + ".pending"));
  auto third = OpenService(*server_, {kWriterDn, {}}, &status, data);
  ASSERT_EQ(status, 0);
  EXPECT_TRUE(third->TakeNotices().empty());
  EXPECT_FALSE(std::filesystem::exists(backup.string() + ".pending"));
}

TEST_F(LdapClassChangeTest, RecreateRefusesEntriesWithChildren) {
  auto service = Open(kWriterDn, {{"recreate", "yes"}});
  const auto before = RawEntry(*server_, PersonDn("Holder"), true);
  EXPECT_EQ(service->ChangeBaseClass(Person("Holder"), "organizationalPerson"), kErrNotLeafEntry);
  EXPECT_EQ(RawEntry(*server_, PersonDn("Holder"), true), before);
}

}  // namespace
}  // namespace recast::ldap::testing
