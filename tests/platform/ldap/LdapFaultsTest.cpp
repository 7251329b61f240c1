// Logins that fail, a server that goes away, certificates that do not verify.

#include <gtest/gtest.h>
#include <pthread.h>

#include <csignal>

#include "platform/errtext/ErrorTextLibrary.h"
#include "platform/ldap/LdapStatus.h"
#include "platform/ldap/SigpipeGuard.h"
#include "tests/platform/ldap/support/LdapTestSupport.h"

namespace recast::ldap::testing {
namespace {

std::unique_ptr<SlapdServer> StartServer(bool tls = false) {
  std::string error;
  SlapdOptions options;
  options.withTls = tls;
  auto server = SlapdServer::Start(options, &error);
  EXPECT_NE(server, nullptr) << error;
  return server;
}

DirStatus OpenWith(const service::ConnectionConfig& config, std::unique_ptr<service::DirectoryService>* service,
                   std::string* diagnostic) {
  LdapSettings settings;
  DirStatus status = ParseLdapSettings(config, &settings, diagnostic);
  std::unique_ptr<LdapService> opened;
  if (status == 0) status = LdapService::Open(settings, &opened, diagnostic);
  if (status == 0) *service = std::move(opened);
  return status;
}

bool PipeBlocked() {
  sigset_t mask;
  pthread_sigmask(SIG_BLOCK, nullptr, &mask);
  return sigismember(&mask, SIGPIPE) == 1;
}

// A needed guard blocks SIGPIPE while it lives and eats one raised meanwhile; an unneeded one
// (the program ignores SIGPIPE) leaves the mask alone.
TEST(SigpipeGuardTest, BlocksOnlyWhenNeededAndWhileItLives) {
  ASSERT_FALSE(PipeBlocked());
  {
    SigpipeGuard outer;
    SigpipeGuard inner;
    EXPECT_TRUE(PipeBlocked());
    raise(SIGPIPE);  // would end the test binary if it got through
  }
  EXPECT_FALSE(PipeBlocked());
  {
    SigpipeGuard unneeded(false);
    EXPECT_FALSE(PipeBlocked());
  }
  EXPECT_FALSE(SigpipeIgnored());
  const auto previous = std::signal(SIGPIPE, SIG_IGN);
  EXPECT_TRUE(SigpipeIgnored());
  std::signal(SIGPIPE, previous);
}

TEST(LdapLoginTest, RefusesBadPasswordsAndExposedPasswordFiles) {
  auto server = StartServer();
  ASSERT_NE(server, nullptr);
  struct Case {
    const char* what;
    std::string password;
    mode_t mode;
    DirStatus expected;
    const char* message;
  };
  for (const Case& c : {Case{"right password", kPassword, 0600, 0, ""}, Case{"owner read-only", kPassword, 0400, 0, ""},
                        Case{"wrong password", "wrong", 0600, kErrLdapInvalidCredentials, "Invalid credentials"},
                        Case{"group-readable", kPassword, 0640, kErrLdapPasswordFileExposed, "read by others"},
                        Case{"world-readable", kPassword, 0604, kErrLdapPasswordFileExposed, "read by others"},
                        Case{"group-writable", kPassword, 0620, kErrLdapPasswordFileExposed, "read by others"}}) {
    SCOPED_TRACE(c.what);
    auto config = MakeConfig(*server, {kReaderDn, {}});
    config.settings["passwordfile"] = server->PasswordFile("pw", c.password, c.mode).string();
    std::unique_ptr<service::DirectoryService> service;
    std::string diagnostic;
    EXPECT_EQ(OpenWith(config, &service, &diagnostic), c.expected);
    EXPECT_NE(diagnostic.find(c.message), std::string::npos) << diagnostic;
    EXPECT_EQ(diagnostic.find(kPassword), std::string::npos) << "the password leaked into: " << diagnostic;
  }
  auto config = MakeConfig(*server, {kReaderDn, {}});
  config.settings["passwordfile"] = (server->Directory() / "missing").string();
  std::unique_ptr<service::DirectoryService> service;
  EXPECT_EQ(OpenLdapService(config, &service), kErrLdapPasswordFileUnreadable);
  EXPECT_EQ(service, nullptr);
  // The status text the user sees tells the reason.
  EXPECT_NE(std::string(NWstrerror(kErrLdapPasswordFileUnreadable)).find("cannot be read"), std::string::npos);
}

TEST(LdapLoginTest, SettingsThatCannotWorkAreRefusedBeforeConnecting) {
  service::ConnectionConfig config;
  config.service = "ldap://127.0.0.1:1/";
  LdapSettings settings;
  std::string diagnostic;
  struct Case {
    const char* key;
    const char* value;
  };
  for (const Case& c : {Case{"password", "secret"}, Case{"starttls", "maybe"}, Case{"sasl", "PLAIN"},
                        Case{"timeout", "0"}, Case{"recreate", "sometimes"}}) {
    SCOPED_TRACE(c.key);
    auto bad = config;
    bad.settings[c.key] = c.value;
    EXPECT_EQ(ParseLdapSettings(bad, &settings, &diagnostic), kErrLdapBadConfiguration);
    EXPECT_NE(diagnostic.find(c.key == std::string("sasl") ? "SASL" : c.key), std::string::npos) << diagnostic;
  }
  auto noPasswordFile = config;
  noPasswordFile.login = kReaderDn;
  EXPECT_EQ(ParseLdapSettings(noPasswordFile, &settings, &diagnostic), kErrLdapBadConfiguration);
  EXPECT_EQ(ParseLdapSettings(service::ConnectionConfig{}, &settings, &diagnostic), kErrLdapBadConfiguration);

  auto good = config;
  good.settings = {{"starttls", "yes"}, {"relaxrules", "on"},       {"recreate", "no"},
                   {"timeout", "7"},    {"base", "ou=Sales,o=Org"}, {"cafile", "/x/ca.pem"}};
  ASSERT_EQ(ParseLdapSettings(good, &settings, &diagnostic), 0);
  EXPECT_TRUE(settings.startTls);
  EXPECT_TRUE(settings.relaxRules);
  EXPECT_FALSE(settings.safeRecreate);
  EXPECT_EQ(settings.timeoutSeconds, 7);
  EXPECT_EQ(settings.baseDn, "ou=Sales,o=Org");
  EXPECT_EQ(settings.caFile, "/x/ca.pem");
}

TEST(LdapLoginTest, APasswordGoesUnencryptedOnlyToLoopbackOrWhenAllowed) {
  struct Case {
    const char* url;
    std::map<std::string, std::string> settings;
    DirStatus expected;
  };
  const std::string login = "cn=reader,o=Org";
  for (const Case& c :
       {Case{"ldap://127.0.0.1:389/", {}, 0}, Case{"ldap://127.4.5.6", {}, 0}, Case{"ldap://[::1]:389", {}, 0},
        Case{"ldap://LocalHost/", {}, 0}, Case{"ldapi://%2Ftmp%2Fs", {}, 0}, Case{"ldaps://ldap.example.org", {}, 0},
        Case{"ldap://ldap.example.org", {{"starttls", "yes"}}, 0},
        Case{"ldap://ldap.example.org", {{"allowplaintextpassword", "yes"}}, 0},
        Case{"ldap://ldap.example.org", {{"sasl", "EXTERNAL"}}, 0},
        Case{"ldap://ldap.example.org", {}, kErrLdapPlaintextPassword},
        Case{"ldap://192.0.2.1:389", {{"allowplaintextpassword", "no"}}, kErrLdapPlaintextPassword},
        Case{"ldap:///", {}, kErrLdapPlaintextPassword},
        Case{"ldap://127.0.0.1 ldap://ldap.example.org", {}, kErrLdapPlaintextPassword}}) {
    SCOPED_TRACE(c.url);
    service::ConnectionConfig config;
    config.service = c.url;
    config.login = login;
    config.settings = c.settings;
    config.settings["passwordfile"] = "/nonexistent/password";
    LdapSettings settings;
    std::string diagnostic;
    ASSERT_EQ(ParseLdapSettings(config, &settings, &diagnostic), 0) << diagnostic;
    EXPECT_EQ(CheckPasswordProtection(settings, &diagnostic), c.expected);
  }
  // Refused before anything is read or sent, with what to do about it.
  service::ConnectionConfig config;
  config.service = "ldap://192.0.2.1/";
  config.login = login;
  config.settings["passwordfile"] = "/nonexistent/password";
  std::unique_ptr<service::DirectoryService> service;
  EXPECT_EQ(OpenLdapService(config, &service), kErrLdapPlaintextPassword);
  const std::string text = NWstrerror(kErrLdapPlaintextPassword);
  for (const char* fix : {"unencrypted", "ldaps://", "StartTls=yes", "AllowPlaintextPassword=yes"}) {
    EXPECT_NE(text.find(fix), std::string::npos) << text;
  }
}

TEST(LdapLoginTest, NobodyListeningIsServerUnavailable) {
  service::ConnectionConfig config;
  config.service = "ldap://127.0.0.1:1/";
  config.settings["timeout"] = "2";
  std::unique_ptr<service::DirectoryService> service;
  EXPECT_EQ(OpenLdapService(config, &service), kErrServerUnavailable);
}

TEST(LdapDropTest, AStoppedServerFailsTheOperationAndARestartHeals) {
  auto server = StartServer();
  ASSERT_NE(server, nullptr);
  DirStatus status = 0;
  auto service = OpenService(*server, {kReaderDn, {}}, &status);
  ASSERT_EQ(status, 0);
  const auto org = Name({{"O", "Org"}});
  service::AttributeValues values;
  ASSERT_EQ(service->ReadAttribute(org, "o", true, &values), 0);
  service->BeginUserAction();  // the next read asks the server, not the entry kept in this action

  server->Stop();
  EXPECT_EQ(service->ReadAttribute(org, "o", true, &values), kErrServerUnavailable);
  EXPECT_NE(service->LastDiagnostic().find("lost"), std::string::npos) << service->LastDiagnostic();
  service::ListPage page;
  service->BeginUserAction();
  EXPECT_EQ(service->ListChildren(org, false, "", 10, &page), kErrServerUnavailable);  // reconnect fails too
  EXPECT_NE(service->LastDiagnostic().find("cannot reach"), std::string::npos) << service->LastDiagnostic();

  std::string error;
  ASSERT_TRUE(server->Restart(&error)) << error;
  // Within the same user action the failed connection is not tried again.
  EXPECT_EQ(service->ReadAttribute(org, "o", true, &values), kErrServerUnavailable);
  EXPECT_NE(service->LastDiagnostic().find("cannot reach"), std::string::npos) << service->LastDiagnostic();
  service->BeginUserAction();
  ASSERT_EQ(service->ReadAttribute(org, "o", true, &values), 0) << service->LastDiagnostic();
  EXPECT_EQ(values.values, std::vector<service::DirValue>{service::value::Text{"Org"}});
  EXPECT_EQ(service->ListChildren(org, false, "", 10, &page), 0);
}

TEST(LdapDropTest, AServerThatStopsAnsweringTimesOutAndIsReconnected) {
  auto server = StartServer();
  ASSERT_NE(server, nullptr);
  DirStatus status = 0;
  auto service = OpenService(*server, {kReaderDn, {{"timeout", "1"}}}, &status);
  ASSERT_EQ(status, 0);
  const auto org = Name({{"O", "Org"}});
  service::AttributeValues values;
  ASSERT_EQ(service->ReadAttribute(org, "o", true, &values), 0);
  service->BeginUserAction();
  server->Pause(true);
  EXPECT_EQ(service->ReadAttribute(org, "o", true, &values), kErrServerUnavailable);
  const std::string timedOut = service->LastDiagnostic();
  server->Pause(false);
  // The rest of the action fails at once, with the same status and reason, even though the
  // server answers again: a frozen server costs one timeout per action, not one per step.
  for (int step = 0; step < 3; ++step) {
    EXPECT_EQ(service->ReadAttribute(org, "o", true, &values), kErrServerUnavailable);
    EXPECT_EQ(service->LastDiagnostic(), timedOut);
  }
  service->BeginUserAction();
  ASSERT_EQ(service->ReadAttribute(org, "o", true, &values), 0) << service->LastDiagnostic();
  EXPECT_EQ(values.values, std::vector<service::DirValue>{service::value::Text{"Org"}});

  // A read that finds its entry's answer sent ahead, and the server silent, does not ask
  // again: the one wait is the action's timeout.
  service->BeginUserAction();
  server->Pause(true);
  const auto start = service->RequestsSent();
  service->Prefetch({org});
  EXPECT_EQ(service->ReadAttribute(org, "o", false, &values), kErrServerUnavailable);
  EXPECT_EQ(service->RequestsSent() - start, 1u);
  server->Pause(false);
  service->BeginUserAction();
  EXPECT_EQ(service->ReadAttribute(org, "o", false, &values), 0) << service->LastDiagnostic();

  // The same for entries asked for together.
  const auto sales = Name({{"OU", "Sales"}, {"O", "Org"}});
  const auto people = Name({{"OU", "People"}, {"O", "Org"}});
  service->BeginUserAction();
  server->Pause(true);
  const auto together = service->RequestsSent();
  service->Prefetch({sales, people});
  EXPECT_EQ(service->ReadAttribute(people, "ou", false, &values), kErrServerUnavailable);
  EXPECT_EQ(service->ReadAttribute(sales, "ou", false, &values), kErrServerUnavailable);
  EXPECT_EQ(service->RequestsSent() - together, 1u);
  server->Pause(false);
  service->BeginUserAction();
  EXPECT_EQ(service->ReadAttribute(sales, "ou", false, &values), 0) << service->LastDiagnostic();
}

TEST(LdapLoginTest, SaslExternalOverTheUnixSocketLogsInAsTheMappedEntry) {
  std::string error;
  SlapdOptions options;
  options.withLdapi = true;
  auto server = SlapdServer::Start(options, &error);
  ASSERT_NE(server, nullptr) << error;
  service::ConnectionConfig config;
  config.service = server->LdapiUrl();
  config.settings["sasl"] = "EXTERNAL";
  std::unique_ptr<service::DirectoryService> service;
  ASSERT_EQ(OpenLdapService(config, &service), 0);
  service::LoginInfo login;
  ASSERT_EQ(service->Login(&login), 0);
  EXPECT_EQ(login.fullName, Name({{"CN", "reader"}, {"O", "Org"}}));
  EXPECT_EQ(service->Modify(Name({{"OU", "Sales"}, {"O", "Org"}}),
                            {{kChangeAddValue, "description", service::DirValue(service::value::Text{"x"})}}),
            kErrNoAccess);
}

TEST(LdapTlsTest, UnverifiableCertificateFailsTheConnection) {
  if (RunProgram({"openssl", "version"}) != 0) GTEST_SKIP() << "openssl is not installed";
  auto server = StartServer(true);
  ASSERT_NE(server, nullptr);
  auto config = MakeConfig(*server, {kReaderDn, {{"starttls", "yes"}}});
  std::unique_ptr<service::DirectoryService> service;
  std::string diagnostic;
  EXPECT_EQ(OpenWith(config, &service, &diagnostic), kErrLdapCertificateNotVerified);
  EXPECT_NE(diagnostic.find("could not be verified"), std::string::npos) << "diag: " << diagnostic;

  // Trusting the server's own certificate makes the same connection work.
  config.settings["cafile"] = server->CertificateFile().string();
  EXPECT_EQ(OpenWith(config, &service, &diagnostic), 0) << diagnostic;
  ASSERT_NE(service, nullptr);
  service::LoginInfo login;
  EXPECT_EQ(service->Login(&login), 0);

  // The same over ldaps://.
  auto tls = MakeConfig(*server, {kReaderDn, {}});
  tls.service = server->LdapsUrl();
  EXPECT_EQ(OpenWith(tls, &service, &diagnostic), kErrLdapCertificateNotVerified);
  EXPECT_NE(diagnostic.find("could not be verified"), std::string::npos) << diagnostic;
  tls.settings["cafile"] = server->CertificateFile().string();
  EXPECT_EQ(OpenWith(tls, &service, &diagnostic), 0) << diagnostic;
}

}  // namespace
}  // namespace recast::ldap::testing
