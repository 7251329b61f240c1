#include "app/SettingsStore.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>

#include <filesystem>

#include "platform/profile/Profile.h"
#include "tests/settings/SettingsTestSupport.h"

namespace fs = std::filesystem;
using namespace recast::app;
using namespace recast::settings;

namespace {

// The main window as the program builds it: the class-change page holds two drop-down
// lists inside splitters, besides list boxes and buttons that are not saved.
struct MainFormFixture {
  MainFormFixture() {
    window.setObjectName("MainForm");
    auto* tabs = new QTabWidget(&window);
    window.setCentralWidget(tabs);
    page = new QWidget;
    page->setObjectName("TabSheet3");
    tabs->addTab(page, "&Change Object Class");
    auto* splitter = new QSplitter(page);
    auto* left = new QWidget(splitter);
    source = new QComboBox(left);
    source->setObjectName("cbSourceClasses");
    (new QListWidget(left))->setObjectName("lbSourceClassAttributes");
    auto* centre = new QWidget(splitter);
    new QLabel("&New Object Class", centre);
    target = new QComboBox(centre);
    target->setObjectName("cbTargetClasses");
    target->addItems({"User", "Organizational Person"});
    (new QPushButton("&Change Object Class", centre))->setObjectName("BitBtnRecast");
    window.setGeometry(40, 50, 640, 480);
  }
  QMainWindow window;
  QWidget* page = nullptr;
  QComboBox* source = nullptr;
  QComboBox* target = nullptr;
};

class SettingsStoreTest : public SettingsFolderTest {
 protected:
  void Close(MainFormFixture& form) const {
    Store().SaveMainWindowPlacement(form.window);
    Store().SavePageSettings(*form.page);
  }
  SettingsStore Store() const { return SettingsStore(folder_, "/usr/bin/recast-object"); }
};

TEST_F(SettingsStoreTest, FileNameFollowsProgramFileAndBareNameLivesInFolder) {
  const SettingsStore store(folder_, "/opt/tools/recast-object");
  EXPECT_EQ(store.SettingsFileName(true), "recast-object.ini");
  EXPECT_EQ(store.SettingsFileName(false), "/opt/tools/recast-object.ini");
  EXPECT_EQ(SettingsStore(folder_, "/opt/Tool.exe").SettingsFileName(true), "Tool.ini");

  EXPECT_EQ(SettingsFile(folder_, "recast-object.ini").Path(), FilePath());
  EXPECT_EQ(SettingsFile(folder_, "/elsewhere/x.ini").Path(), fs::path("/elsewhere/x.ini"));
}

TEST_F(SettingsStoreTest, FirstCloseWritesNonZeroKeysSecondCloseDoesNotTouchTheFile) {
  MainFormFixture form;
  form.window.move(0, 30);
  form.target->setCurrentIndex(1);
  Close(form);
  EXPECT_EQ(Contents(),
            "[Settings]\n"
            "MainForm.Top=30\n"
            "MainForm.Width=640\n"
            "MainForm.Height=480\n"
            "cbTargetClasses=Organizational Person\n");

  const auto inode = Inode();
  const auto written = fs::last_write_time(FilePath());
  MainFormFixture again;
  again.window.move(0, 30);
  again.target->setCurrentIndex(1);
  Close(again);
  EXPECT_EQ(Inode(), inode);
  EXPECT_EQ(fs::last_write_time(FilePath()), written);
}

TEST_F(SettingsStoreTest, RestoreAppliesOnlyNonZeroValues) {
  struct Case {
    const char* stored;
    int x, y, width, height;
  };
  // Designed placement: 40, 50, 640 x 480.
  for (const Case& c : {
           Case{"MainForm.Left=0\nMainForm.Top=0\nMainForm.Width=800\nMainForm.Height=600\n", 40, 50, 800, 600},
           Case{"MainForm.Left=-20\nmainform.top=7\n", -20, 7, 640, 480},
           Case{"MainForm.Left=\nMainForm.Top=\nMainForm.Width=\nMainForm.Height=abc\n", 40, 50, 640, 480},
           Case{"MainForm.Width=\"700\"\n", 40, 50, 700, 480},
           Case{"", 40, 50, 640, 480},
       }) {
    Put(std::string("[SETTINGS]\n") + c.stored);
    MainFormFixture form;
    Store().RestoreMainWindowPlacement(form.window);
    EXPECT_EQ(form.window.x(), c.x) << c.stored;
    EXPECT_EQ(form.window.y(), c.y) << c.stored;
    EXPECT_EQ(form.window.width(), c.width) << c.stored;
    EXPECT_EQ(form.window.height(), c.height) << c.stored;
  }
}

TEST_F(SettingsStoreTest, RestoreKeepsTheWindowOnAScreenAndLeavesTheFileAlone) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  for (const char* stored : {
           "MainForm.Top=99999999\nMainForm.Left=-99999999\nMainForm.Width=2147483647\nMainForm.Height=2147483647\n",
           "MainForm.Left=2147483647\nMainForm.Top=-2147483647\n",
           "MainForm.Left=-630\n",
       }) {
    Put(std::string("[Settings]\n") + stored);
    const ino_t before = Inode();
    MainFormFixture form;
    Store().RestoreMainWindowPlacement(form.window);
    EXPECT_TRUE(screen.contains(form.window.frameGeometry())) << stored;
    EXPECT_EQ(Contents(), std::string("[Settings]\n") + stored);
    EXPECT_EQ(Inode(), before);
  }
}

TEST_F(SettingsStoreTest, SavedPlacementRestoresAndMaximizedWindowIsLeftAlone) {
  {
    MainFormFixture form;
    form.window.setGeometry(-10, 20, 500, 400);
    Store().SaveMainWindowPlacement(form.window);
  }
  MainFormFixture form;
  Store().RestoreMainWindowPlacement(form.window);
  EXPECT_EQ(form.window.pos(), QPoint(-10, 20));
  EXPECT_EQ(form.window.size(), QSize(500, 400));

  MainFormFixture maximized;
  maximized.window.setWindowState(Qt::WindowMaximized);
  const QRect before = maximized.window.geometry();
  Store().RestoreMainWindowPlacement(maximized.window);
  EXPECT_EQ(maximized.window.geometry(), before);
}

TEST_F(SettingsStoreTest, UnwritableFolderDoesNotFailTheClose) {
  const fs::path notAFolder = folder_ / "plain";
  std::ofstream(notAFolder) << "x";
  const SettingsStore store(notAFolder, "/usr/bin/recast-object");
  MainFormFixture form;
  form.target->setCurrentIndex(0);
  EXPECT_NO_THROW(store.SaveMainWindowPlacement(form.window));
  EXPECT_NO_THROW(store.SavePageSettings(*form.page));
  EXPECT_NO_THROW(store.RestoreMainWindowPlacement(form.window));
  EXPECT_EQ(form.window.geometry().size(), QSize(640, 480));
}

// A settings file that cannot be written does not fail the close. A read-only file (read-only
// for root too, by its mode bits) is kept as it was.
TEST_F(SettingsStoreTest, ReadOnlyFileDoesNotFailTheClose) {
  Put("[Settings]\nMainForm.Top=1\n");
  fs::permissions(FilePath(), fs::perms::owner_read);
  MainFormFixture form;
  EXPECT_NO_THROW(Store().SaveMainWindowPlacement(form.window));
  EXPECT_NO_THROW(Store().SavePageSettings(*form.page));
  fs::permissions(FilePath(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Contents(), "[Settings]\nMainForm.Top=1\n");

  if (::geteuid() == 0) return;  // folder permissions do not bind root
  // A writable file in a read-only folder is written in place, as a plain write would.
  fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_NO_THROW(Close(form));
  fs::permissions(folder_, fs::perms::owner_all);
  EXPECT_NE(Contents(), "[Settings]\nMainForm.Top=1\n");
}

}  // namespace
