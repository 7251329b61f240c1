// The journal of an LDAP tree: its LDIF form, undone by undo and, as a change file, by
// ldapmodify on its own.

#include <gtest/gtest.h>

#include <fstream>

#include "directory/Directory.h"
#include "engine/RecordedChange.h"
#include "engine/Undo.h"
#include "platform/client/DirectoryClientFactory.h"
#include "tests/platform/ldap/support/LdapTestSupport.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast::ldap::testing {
namespace {

constexpr const char* kJo = "cn=Jo,ou=People,o=Org";

std::vector<std::string> Values(const LdifEntry& entry, const std::string& attr) {
  for (const auto& [name, values] : entry.attributes) {
    if (name == attr) return values;
  }
  return {};
}

class LdapJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    server_ = SlapdServer::Start(Seeded(std::string("dn: ") + kJo +
                                        "\nobjectClass: inetOrgPerson\ncn: Jo\nsn: J\nmail: a@org\nmail: b@org\n"
                                        "title: Boss\n\n"),
                                 &error);
    ASSERT_NE(server_, nullptr) << error;
    client_ = MakeClient(*server_, "LDAP_TREE", kRootDn, "RelaxRules=yes\nPrimary=1\n");
    session_ = std::make_unique<DirectorySession>(*client_, ui_);
    ASSERT_EQ(InitNetWare(*session_), 0);
    ASSERT_EQ(client_->CreateContext(&ctx_), 0);
    ASSERT_EQ(SetTree(*session_, ctx_, "LDAP_TREE", false), 0);
    ASSERT_EQ(SetNameContext(*session_, ctx_, "OU=People.O=Org"), 0);
    journal_ = engine::WindowJournalPath(server_->Directory() / "data", "LDAP_TREE", engine::JournalForm::kLdif, 0);
  }
  void TearDown() override {
    if (client_) client_->FreeContext(ctx_);
  }

  // Recasts Jo to organizationalPerson (mail must go) under a fresh journal.
  void Recast() {
    std::filesystem::remove(journal_);
    ASSERT_EQ(engine::JournalFormFor(*session_, ctx_, "CN=Jo"), engine::JournalForm::kLdif);
    engine::JournalWriter journal;
    ASSERT_TRUE(journal.OpenNew(journal_, engine::JournalForm::kLdif, {"LDAP_TREE", std::nullopt, ""}).ok());
    const std::string to = "organizationalPerson";
    engine::RecastOutcome outcome;
    ASSERT_EQ(engine::RecastWithJournal(*session_, ctx_, journal, "CN=Jo", "inetOrgPerson", &to, {"mail"}, &outcome), 0)
        << outcome.message;
    ASSERT_TRUE(journal.Close().ok());
    const LdifEntry now = RawEntry(*server_, kJo, true);
    ASSERT_EQ(Values(now, "structuralObjectClass"), std::vector<std::string>{"organizationalPerson"});
    ASSERT_TRUE(Values(now, "mail").empty());
  }
  void ExpectAsBefore() {
    const LdifEntry now = RawEntry(*server_, kJo, true);
    EXPECT_EQ(Values(now, "structuralObjectClass"), std::vector<std::string>{"inetOrgPerson"});
    EXPECT_EQ(Values(now, "mail"), (std::vector<std::string>{"a@org", "b@org"}));
    EXPECT_EQ(Values(now, "title"), std::vector<std::string>{"Boss"});
  }

  std::unique_ptr<SlapdServer> server_;
  ScriptedUserInterface ui_;
  std::unique_ptr<DirectoryClient> client_;
  std::unique_ptr<DirectorySession> session_;
  DirContext ctx_ = kNoContext;
  std::filesystem::path journal_;
};

TEST_F(LdapJournalTest, UndoPutsTheEntryBack) {
  Recast();
  engine::UndoReport report;
  ASSERT_EQ(engine::UndoJournal(*session_, ctx_, journal_.string(), nullptr, &report), 0)
      << (report.items.empty() ? report.fileError.text : report.items[0].message);
  EXPECT_EQ(report.undone, 1);
  ExpectAsBefore();
}

TEST_F(LdapJournalTest, TheJournalIsAChangeFileThatPutsTheEntryBack) {
  Recast();
  ASSERT_EQ(RunProgram({"ldapmodify", "-e", "relax", "-x", "-H", server_->Url(), "-D", kRootDn, "-w", kPassword, "-f",
                        journal_.string()},
                       server_->Directory() / "restore.log"),
            0);
  ExpectAsBefore();
}

}  // namespace
}  // namespace recast::ldap::testing
