// A read-only copy: an OpenLDAP consumer (syncrepl) that refers every change to its provider.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <fstream>

#include "directory/Directory.h"
#include "engine/Analysis.h"
#include "platform/client/DirectoryClientFactory.h"
#include "platform/ldap/LdapStatus.h"
#include "tests/platform/ldap/support/LdapTestSupport.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast::ldap::testing {
namespace {

using service::EntryName;

constexpr const char* kClerk = "cn=Clerk,ou=Sales,o=Org";

// Waits until the consumer's copy of dn satisfies done; false after ten seconds.
template <typename Done>
bool CaughtUp(const SlapdServer& server, const std::string& dn, Done done) {
  for (int i = 0; i < 400; ++i) {
    if (done(RawEntry(server, dn))) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

std::string Title(const LdifEntry& entry) {
  for (const auto& [attr, values] : entry.attributes) {
    if (attr == "title" && !values.empty()) return values.front();
  }
  return "";
}

class LdapReplicaTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    SlapdOptions provider = Seeded(std::string("dn: ") + kClerk + "\nobjectClass: inetOrgPerson\ncn: Clerk\nsn: C\n\n");
    provider.provider = true;
    provider_ = SlapdServer::Start(provider, &error);
    ASSERT_NE(provider_, nullptr) << error;
    SlapdOptions consumer;
    consumer.withBaseEntries = false;
    consumer.providerUrl = provider_->Url();
    consumer_ = SlapdServer::Start(consumer, &error);
    ASSERT_NE(consumer_, nullptr) << error;
    ASSERT_TRUE(CaughtUp(*consumer_, kClerk, [](const LdifEntry& e) { return !e.dn.empty(); }))
        << "the consumer did not copy the provider";
  }
  static void TearDownTestSuite() {
    consumer_.reset();
    provider_.reset();
  }

  static void SetTitle(LdapService& service, const std::string& title, DirStatus expected) {
    service::Change change;
    change.type = kChangeOverwriteValue;
    change.attrName = "title";
    change.value = service::value::Text{title};
    service::Change clear{kChangeClearAttribute, "title", std::nullopt};
    EXPECT_EQ(service.Modify(Name({{"CN", "Clerk"}, {"OU", "Sales"}, {"O", "Org"}}), {clear, change}), expected);
  }

  static std::unique_ptr<SlapdServer> provider_;
  static std::unique_ptr<SlapdServer> consumer_;
};

std::unique_ptr<SlapdServer> LdapReplicaTest::provider_;
std::unique_ptr<SlapdServer> LdapReplicaTest::consumer_;

TEST_F(LdapReplicaTest, ReadsAsUsualAndAChangeNamesTheServerItMustGoTo) {
  DirStatus status = 0;
  auto service = OpenService(*consumer_, {kWriterDn, {}}, &status);
  ASSERT_NE(service, nullptr) << status;
  service::ListPage page;
  ASSERT_EQ(service->ListChildren(Name({{"OU", "Sales"}, {"O", "Org"}}), false, "", 100, &page), 0);
  ASSERT_EQ(page.entries.size(), 1u);
  service::AttributeValues values;
  EXPECT_EQ(service->ReadAttribute(Name({{"CN", "Clerk"}, {"OU", "Sales"}, {"O", "Org"}}), "sn", false, &values), 0);

  SetTitle(*service, "Scribe", kErrLdapReadOnlyCopy);
  const std::string& text = service->LastDiagnostic();
  EXPECT_NE(text.find("read-only copy"), std::string::npos) << text;
  EXPECT_NE(text.find(provider_->Url()), std::string::npos) << text;
  EXPECT_NE(text.find("FollowReferrals=yes"), std::string::npos) << text;
  EXPECT_EQ(Title(RawEntry(*provider_, kClerk)), "");
}

TEST_F(LdapReplicaTest, FollowReferralsSendsTheChangeToTheProviderWithTheSameLogin) {
  DirStatus status = 0;
  auto service = OpenService(*consumer_, {kWriterDn, {{"followreferrals", "yes"}}}, &status);
  ASSERT_NE(service, nullptr) << status;
  SetTitle(*service, "Scribe", 0);
  EXPECT_EQ(Title(RawEntry(*provider_, kClerk)), "Scribe");
  ASSERT_TRUE(CaughtUp(*consumer_, kClerk, [](const LdifEntry& e) { return Title(e) == "Scribe"; }));
  service->BeginUserAction();
  service::AttributeValues values;
  ASSERT_EQ(service->ReadAttribute(Name({{"CN", "Clerk"}, {"OU", "Sales"}, {"O", "Org"}}), "title", false, &values), 0);
  EXPECT_EQ(values.values.size(), 1u);
}

TEST_F(LdapReplicaTest, TheAnalysisOnTheCopySeesAFollowedChangeOnceTheCopyCaughtUp) {
  auto client = MakeClient(*consumer_, "COPY", kWriterDn, "FollowReferrals=yes\n");
  ScriptedUserInterface ui;
  DirectorySession session(*client, ui);
  ASSERT_EQ(InitNetWare(session), 0);
  DirContext ctx = kNoContext;
  ASSERT_EQ(client->CreateContext(&ctx), 0);
  ASSERT_EQ(SetTree(session, ctx, "COPY", false), 0);
  ASSERT_EQ(SetNameContext(session, ctx, "OU=Sales.O=Org"), 0);

  ASSERT_TRUE(provider_->Apply(std::string("dn: ") + kClerk + "\nchangetype: modify\nadd: mail\nmail: c@org\n", true));
  ASSERT_TRUE(CaughtUp(*consumer_, kClerk, [](const LdifEntry& e) {
    return std::any_of(e.attributes.begin(), e.attributes.end(), [](const auto& a) { return a.first == "mail"; });
  }));
  const auto analyse = [&] {
    client->BeginUserAction();
    engine::ObjectAnalyser analyser(session);
    engine::Analysis a;
    EXPECT_EQ(analyser.Analyse(ctx, "CN=Clerk", "inetOrgPerson", "organizationalPerson", &a), 0);
    return a;
  };
  EXPECT_EQ(analyse().verdict, engine::Verdict::kDeleteFirst);
  ASSERT_EQ(ModifyAttribute(session, ctx, "CN=Clerk", "mail", nullptr, nullptr, kChangeRemoveAttribute), 0);
  ASSERT_TRUE(CaughtUp(*consumer_, kClerk, [](const LdifEntry& e) {
    return std::none_of(e.attributes.begin(), e.attributes.end(), [](const auto& a) { return a.first == "mail"; });
  }));
  EXPECT_EQ(analyse().verdict, engine::Verdict::kUnvaluedOnly);
  client->FreeContext(ctx);
}

}  // namespace
}  // namespace recast::ldap::testing
