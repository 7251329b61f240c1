// The main window on a real LDAP server: the class change workflow end to end against slapd,
// and once against 389 Directory Server.

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "platform/client/DirectoryClientFactory.h"
#include "platform/ldap/BackupMarks.h"
#include "tests/platform/ldap/support/Ds389Server.h"
#include "tests/platform/ldap/support/LdapTestSupport.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast::ldap::testing {
namespace {

using Strings = std::vector<std::string>;

constexpr int kMany = 3000;

std::string Many() {
  std::string ldif = "dn: ou=Many,o=Org\nobjectClass: organizationalUnit\nou: Many\n\n";
  for (int i = 0; i < kMany; ++i) {
    const std::string cn = "p" + std::to_string(i);
    ldif += "dn: cn=" + cn + ",ou=Many,o=Org\nobjectClass: person\ncn: " + cn + "\nsn: S\n\n";
  }
  return ldif;
}

std::string Seed() {
  auto person = [](const char* cn, const char* cls, const char* more) {
    return std::string("dn: cn=") + cn + ",ou=Sales,o=Org\nobjectClass: " + cls + "\ncn: " + cn + "\nsn: " + cn + "\n" +
           more + "\n";
  };
  return person("Olga", "organizationalPerson", "title: Clerk\n") +
         person("Ines", "inetOrgPerson", "mail: ines@example.org\nuid: ines\ntitle: Buyer\n") +
         person("Paul", "person", "description: plain\n") + person("Mia", "person", "") +
         person("Nora", "organizationalPerson", "") +
         "dn: uid=jdoe,ou=Sales,o=Org\nobjectClass: inetOrgPerson\nuid: jdoe\ncn: John Doe\nsn: Doe\n\n" +
         person("Vera", "inetOrgPerson", "mail: vera@example.org\nuid: vera\n") +
         person("Sam", "person", "userPassword: {SSHA}c2VjcmV0aGFzaA==\n") + person("Lost", "person", "") +
         "dn: cn=Multi+uid=mv1,ou=Sales,o=Org\nobjectClass: inetOrgPerson\ncn: Multi\nuid: mv1\nsn: M\n\n" + Many();
}

std::vector<std::string> Values(const LdifEntry& entry, const std::string& attr) {
  for (const auto& [name, values] : entry.attributes) {
    if (name == attr) return values;
  }
  return {};
}

class LdapWindowTest : public ::testing::Test {
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

  // The window over a client whose primary connection is the server, logged in as login.
  void Open(const char* login, const std::string& extraSettings = "", std::filesystem::path password = {}) {
    ASSERT_NE(Server(), nullptr);
    const auto folder = Server()->Directory();
    if (password.empty()) password = Server()->PasswordFile("window-password", kPassword, 0600);
    std::ofstream(folder / "window.ini") << "[Ldap]\nTree=LDAP_TREE\nService=" << Server()->Url() << "\nLogin=" << login
                                         << "\nPasswordFile=" << password.string() << "\nPrimary=1\n"
                                         << extraSettings;
    std::ofstream(folder / "info.txt") << "Info\n";
    client::ClientOptions options;
    options.configFile = folder / "window.ini";
    options.dataFolder = folder / "window-data";
    options.openers[std::string(client::kLdapServiceKind)] = OpenLdapService;
    client_ = client::CreateDirectoryClient(options);
    services_.client = client_.get();
    services_.ui = &ui_;
    services_.errorTextLibrary = RECAST_ERRTEXT_LIBRARY;
    services_.infoFileName = (folder / "info.txt").string();
    services_.messageIntervalMs = 0;
    form_ = std::make_unique<app::MainForm>();
    controller_ = std::make_unique<app::MainFormController>(*form_, services_);
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  }
  void TearDown() override {
    if (form_) form_->close();
    controller_.reset();
    form_.reset();
  }

  void ClickLine(app::ListBox& list, const std::string& text) {
    const int row = list.Items().IndexOf(text);
    ASSERT_GE(row, 0) << text << " not in " << ::testing::PrintToString(list.Items().Lines());
    QWidget* tab = list.parentWidget();
    while (tab && form_->PageControl1->indexOf(tab) < 0) tab = tab->parentWidget();
    if (tab) form_->PageControl1->setCurrentWidget(tab);
    list.scrollTo(list.model()->index(row, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.model()->index(row, 0)).center());
  }
  void DoubleClickLine(app::ListBox& list, const std::string& text) {
    ClickLine(list, text);
    const int row = list.Items().IndexOf(text);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.model()->index(row, 0)).center());
  }
  void ChooseTarget(const std::string& cls) {
    const int row = form_->cbTargetClasses->Items().IndexOf(cls);
    ASSERT_GE(row, 0) << cls;
    form_->cbTargetClasses->setCurrentIndex(row);
    emit form_->cbTargetClasses->activated(row);
  }
  void Click(QAbstractButton& button) {
    ASSERT_TRUE(button.isEnabled()) << button.objectName().toStdString();
    QWidget* tab = &button;
    while (tab && form_->PageControl1->indexOf(tab) < 0) tab = tab->parentWidget();
    if (tab) form_->PageControl1->setCurrentWidget(tab);
    QTest::mouseClick(&button, Qt::LeftButton);
  }
  void Analyse(const std::string& objectLine, const std::string& target) {
    DoubleClickLine(*form_->ListBoxContainers, "Sales");
    ChooseTarget(target);
    ClickLine(*form_->ListBoxObjects, objectLine);
  }
  static Strings Lines(app::ListBox& list) { return list.Items().Lines(); }
  LdifEntry Entry(const char* cn) { return RawEntry(*Server(), std::string("cn=") + cn + ",ou=Sales,o=Org", true); }
  // The server the window connects to.
  virtual TestServer* Server() { return server_; }

  static SlapdServer* server_;
  std::unique_ptr<DirectoryClient> client_;
  ScriptedUserInterface ui_;
  app::AppServices services_;
  std::unique_ptr<app::MainForm> form_;
  std::unique_ptr<app::MainFormController> controller_;
};
SlapdServer* LdapWindowTest::server_ = nullptr;

TEST_F(LdapWindowTest, OrganizationalPersonToInetOrgPersonAndBack) {
  Open(kRootDn, "RelaxRules=yes\n");
  Analyse("organizationalPerson: Olga", "inetOrgPerson");
  EXPECT_TRUE(controller_->ConflictAttributeList().empty());
  Click(*form_->BitBtnRecast);
  EXPECT_EQ(ui_.messages().back().text, "Olga recast");
  EXPECT_EQ(Values(Entry("Olga"), "structuralObjectClass"), Strings{"inetOrgPerson"});

  // Back: mail and uid are not allowed for organizationalPerson, but deletable.
  ClickLine(*form_->ListBoxObjects, "inetOrgPerson: Ines");
  ChooseTarget("organizationalPerson");
  const Strings delta = Lines(*form_->ListBoxDelta);
  EXPECT_NE(std::find(delta.begin(), delta.end(), "* mail"), delta.end()) << ::testing::PrintToString(delta);
  EXPECT_NE(std::find(delta.begin(), delta.end(), "* uid"), delta.end()) << ::testing::PrintToString(delta);
  EXPECT_FALSE(form_->BitBtnRecast->isEnabled());
  ui_.QueueOkAbort(true);
  Click(*form_->BitBtnDeleteConflicts);
  EXPECT_TRUE(Values(Entry("Ines"), "mail").empty());
  EXPECT_TRUE(Values(Entry("Ines"), "uid").empty());
  EXPECT_EQ(Values(Entry("Ines"), "title"), Strings{"Buyer"});
  Click(*form_->BitBtnRecast);
  EXPECT_EQ(ui_.messages().back().text, "Ines recast");
  EXPECT_EQ(Values(Entry("Ines"), "structuralObjectClass"), Strings{"organizationalPerson"});
}

TEST_F(LdapWindowTest, ForbiddenMandatoryValueAndMissingMandatoryAttributeBlockTheChange) {
  Open(kRootDn, "RelaxRules=yes\n");
  // sn is mandatory for person and not allowed for organizationalRole: it cannot be deleted.
  Analyse("person: Paul", "organizationalRole");
  const Strings delta = Lines(*form_->ListBoxDelta);
  EXPECT_NE(std::find(delta.begin(), delta.end(), "! sn"), delta.end()) << ::testing::PrintToString(delta);
  EXPECT_FALSE(form_->BitBtnRecast->isEnabled());

  // account needs uid, which Mia lacks.
  ClickLine(*form_->ListBoxObjects, "person: Mia");
  ChooseTarget("account");
  const Strings missing = Lines(*form_->ListBoxDelta);
  EXPECT_NE(std::find(missing.begin(), missing.end(), "- uid"), missing.end()) << ::testing::PrintToString(missing);
}

TEST_F(LdapWindowTest, TheNamingAttributeOfTheEntryCannotBeDeleted) {
  Open(kRootDn, "RelaxRules=yes\n");
  // uid is optional for inetOrgPerson and not allowed for organizationalPerson, but it is
  // jdoe's name: the server would refuse to remove it (not allowed on RDN).
  Analyse("inetOrgPerson: jdoe", "organizationalPerson");
  EXPECT_EQ(Lines(*form_->ListBoxDelta)[0], "! uid");
  const Strings info = Lines(*form_->ListBoxInfo);
  ASSERT_GE(info.size(), 3u);
  EXPECT_EQ(info[0], "Error: We will not be able to delete attribute \"uid\" which is illegal for target class");
  EXPECT_EQ(info[1], "   It is part of the object's name \"UID=jdoe\": rename the object to recast it");
  EXPECT_EQ(info[2], "   Current value: \"jdoe\"");
  EXPECT_FALSE(form_->BitBtnRecast->isEnabled());
  EXPECT_FALSE(form_->BitBtnDeleteConflicts->isEnabled());
  EXPECT_EQ(controller_->AnalysisSummary(),
            "There are conflicts on 1 mandatory attributes. You cannot recast the object.");
}

TEST_F(LdapWindowTest, RefusedStructuralChangeShowsTheServersMessage) {
  Open(kWriterDn);
  Analyse("organizationalPerson: Nora", "inetOrgPerson");
  Click(*form_->BitBtnRecast);
  const std::string shown = ui_.messages().back().text;
  EXPECT_NE(shown.find("Nora not recast (0xFFFFE07B"), std::string::npos) << shown;  // -8069
  EXPECT_NE(shown.find("structural object class modification from 'organizationalPerson' to 'inetOrgPerson' "
                       "not allowed"),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("RelaxRules=yes"), std::string::npos) << shown;  // and what makes it work
  EXPECT_EQ(Values(Entry("Nora"), "structuralObjectClass"), Strings{"organizationalPerson"});
}

TEST_F(LdapWindowTest, StartUpBoxSaysWhyTheConnectionCannotBeOpened) {
  struct Case {
    const char* what;
    std::filesystem::path password;
    const char* reason;
    const char* fix;
  };
  for (const Case& c :
       {Case{"exposed", server_->PasswordFile("exposed", kPassword, 0644), "(-7901): password file",
             "allow its owner only (chmod 600)"},
        Case{"missing", server_->Directory() / "no-such-password", "(-7902): password file",
             "(No such file or directory); put the password on"},
        Case{"wrong", server_->PasswordFile("wrong", "wrong", 0600),
             "(-8049): login cn=reader,o=Org failed: Invalid credentials", "check the login and the password in"}}) {
    SCOPED_TRACE(c.what);
    ui_.ClearRecords();
    Open(kReaderDn, "", c.password);
    ASSERT_EQ(ui_.messages().size(), 1u);
    const std::string shown = ui_.messages().front().text;
    EXPECT_EQ(shown.rfind("Could not find server/tree connection. InitNetWare returned error 0x8810 (The "
                          "directory service of tree LDAP_TREE cannot be opened (",
                          0),
              0u)
        << shown;
    EXPECT_NE(shown.find(c.reason), std::string::npos) << shown;
    EXPECT_NE(shown.find(c.fix), std::string::npos) << shown;
    EXPECT_NE(shown.find(c.password.string()), std::string::npos) << shown;
    TearDown();
  }
}

TEST_F(LdapWindowTest, AnEntryNamedBySeveralValuesIsShownAndReadByItsWholeName) {
  Open(kReaderDn);
  Analyse("inetOrgPerson: Multi+UID\\=mv1", "organizationalPerson");
  EXPECT_EQ(form_->cbSourceClasses->Items().Lines().front(), "inetOrgPerson");
  const Strings info = Lines(*form_->ListBoxInfo);
  EXPECT_NE(std::find(info.begin(), info.end(), "   Current value: \"mv1\""), info.end())
      << ::testing::PrintToString(info);
}

TEST_F(LdapWindowTest, PasswordsShowOnlyTheirSize) {
  Open(kRootDn);
  Analyse("person: Sam", "organizationalRole");
  const Strings info = Lines(*form_->ListBoxInfo);
  EXPECT_NE(std::find(info.begin(), info.end(), "   Current value: \"(secret, 22 bytes)\""), info.end())
      << ::testing::PrintToString(info);
  for (const std::string& line : info) EXPECT_EQ(line.find("SSHA"), std::string::npos) << line;
}

TEST_F(LdapWindowTest, AFrozenServerCostsOneTimeoutPerAction) {
  Open(kRootDn, "Timeout=1\n");
  Analyse("inetOrgPerson: Vera", "organizationalPerson");
  ASSERT_EQ(controller_->ConflictAttributeList().size(), 2u);
  server_->Pause(true);
  // The server thaws after the first removal timed out; the second one does not try again.
  ui_.SetOnProcessPendingMessages([this] {
    server_->Pause(false);
    ui_.SetOnProcessPendingMessages({});
  });
  ui_.QueueOkAbort(true);
  Click(*form_->BitBtnDeleteConflicts);
  const Strings protocol = Lines(*form_->ListBoxProtocol);
  EXPECT_EQ(std::count_if(protocol.begin(), protocol.end(),
                          [](const std::string& l) { return l.rfind("  Error: 0xFFFFFD8F", 0) == 0; }),
            2)
      << ::testing::PrintToString(protocol);
  EXPECT_EQ(Values(Entry("Vera"), "uid"), Strings{"vera"});
  // The next action connects again.
  ClickLine(*form_->ListBoxObjects, "inetOrgPerson: Vera");
  const Strings& again = controller_->ConflictAttributeList();
  EXPECT_NE(std::find(again.begin(), again.end(), "uid"), again.end()) << ::testing::PrintToString(again);
}

TEST_F(LdapWindowTest, AnEntryLostInAnInterruptedRecreateIsPutBackAtStartUp) {
  const std::string dn = "cn=Lost,ou=Sales,o=Org";
  const LdifEntry before = RawEntry(*server_, dn);
  const auto folder = server_->Directory() / "window-data" / "ldap-backups";
  std::filesystem::path backup;
  std::string diagnostic;
  ASSERT_EQ(SaveLdifBackup(folder, before, &backup, &diagnostic), 0) << diagnostic;
  {
    PendingMark mark;
    ASSERT_EQ(PendingMark::Create(backup, server_->Url(), &mark, &diagnostic), 0) << diagnostic;
  }
  ASSERT_TRUE(server_->Apply("dn: " + dn + "\nchangetype: delete\n", true));
  Open(kRootDn);
  EXPECT_EQ(RawEntry(*server_, dn), before);
  ASSERT_FALSE(ui_.messages().empty());
  const auto& shown = ui_.messages().front();
  EXPECT_EQ(shown.kind, MessageBoxKind::Information);
  EXPECT_NE(shown.text.find(dn), std::string::npos) << shown.text;
  EXPECT_NE(shown.text.find(backup.string()), std::string::npos) << shown.text;
}

TEST_F(LdapWindowTest, ListsAContainerOfSeveralThousandEntries) {
  Open(kReaderDn);
  DoubleClickLine(*form_->ListBoxContainers, "Many");
  const Strings lines = Lines(*form_->ListBoxObjects);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kMany));
  EXPECT_EQ(
      std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("person: p", 0) == 0; }),
      kMany);
}

// The same workflow on 389 Directory Server, which changes a structural class in place
// without any setting.
class Ds389WindowTest : public LdapWindowTest {
 protected:
  static void SetUpTestSuite() {
    Ds389Options options;
    options.seedLdif = BaseLdif389() +
                       "dn: cn=Olga,ou=Sales,o=Org\nobjectClass: organizationalPerson\ncn: Olga\nsn: O\n\n"
                       "dn: cn=Ines,ou=Sales,o=Org\nobjectClass: inetOrgPerson\ncn: Ines\nsn: I\n"
                       "mail: ines@example.org\nuid: ines\ntitle: Buyer\n\n";
    ds389_ = Ds389Server::Start(options, &error_).release();
  }
  static void TearDownTestSuite() {
    delete ds389_;
    ds389_ = nullptr;
  }
  void SetUp() override {
    if (ds389_) return;
    if (!Ds389Server::Installed()) GTEST_SKIP() << kDs389Missing;
    FAIL() << error_;
  }
  TestServer* Server() override { return ds389_; }

  static Ds389Server* ds389_;
  static std::string error_;
};
Ds389Server* Ds389WindowTest::ds389_ = nullptr;
std::string Ds389WindowTest::error_;

TEST_F(Ds389WindowTest, OrganizationalPersonToInetOrgPersonAndBack) {
  Open(kRootDn);
  Analyse("organizationalPerson: Olga", "inetOrgPerson");
  EXPECT_TRUE(controller_->ConflictAttributeList().empty());
  Click(*form_->BitBtnRecast);
  EXPECT_EQ(ui_.messages().back().text, "Olga recast");
  EXPECT_EQ(Values(Entry("Olga"), "objectClass").front(), "inetOrgPerson");

  ClickLine(*form_->ListBoxObjects, "inetOrgPerson: Ines");
  ChooseTarget("organizationalPerson");
  EXPECT_EQ(controller_->ConflictAttributeList(), (Strings{"mail", "uid"}));
  EXPECT_FALSE(form_->BitBtnRecast->isEnabled());
  ui_.QueueOkAbort(true);
  Click(*form_->BitBtnDeleteConflicts);
  EXPECT_TRUE(Values(Entry("Ines"), "mail").empty());
  EXPECT_EQ(Values(Entry("Ines"), "title"), Strings{"Buyer"});
  Click(*form_->BitBtnRecast);
  EXPECT_EQ(ui_.messages().back().text, "Ines recast");
  EXPECT_EQ(Values(Entry("Ines"), "objectClass").front(), "organizationalPerson");
}
}  // namespace
}  // namespace recast::ldap::testing

int main(int argc, char** argv) {
  // Test discovery runs the suite without the test environment; no test needs a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
