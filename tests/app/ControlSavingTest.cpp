#include "app/ControlSaving.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTextEdit>

#include <memory>

#include "app/ControlKinds.h"
#include "platform/profile/Profile.h"
#include "tests/settings/SettingsTestSupport.h"

using namespace recast::app;
using namespace recast::settings;
namespace profile = recast::profile;

namespace {

class ControlSavingTest : public SettingsFolderTest {
 protected:
  SettingsFile File() const { return SettingsFile(folder_, "recast-object.ini"); }
  std::vector<std::string> Keys(const std::string& section) const {
    return profile::GetPrivateProfileKeys(section, FilePath());
  }
  std::string Value(const std::string& section, const std::string& key) const {
    return profile::GetPrivateProfileString(section, key, "<missing>", FilePath());
  }
  template <typename T>
  T* Add(QWidget* parent, const char* name) {
    auto* widget = new T(parent);
    widget->setObjectName(name);
    return widget;
  }
  QWidget window_;
  QWidget& page_ = *new QWidget(&window_);  // a page, not a window
};

TEST_F(ControlSavingTest, SimpleKindsInChildOrderInsideContainers) {
  Add<QLineEdit>(&page_, "Edit1")->setText("hello");
  Add<QLineEdit>(&page_, "Secret")->setEchoMode(QLineEdit::Password);
  auto* frame = Add<QFrame>(&page_, "Panel1");
  Add<QSpinBox>(frame, "Spin1")->setValue(7);
  Add<QSlider>(frame, "Track1")->setValue(3);
  Add<QCheckBox>(frame, "Check1")->setChecked(true);
  Add<QCheckBox>(frame, "Check2");
  auto* radios = Add<QGroupBox>(&page_, "Radio1");
  Add<QRadioButton>(radios, "a");
  Add<QRadioButton>(radios, "b")->setChecked(true);
  auto* noneChosen = Add<QGroupBox>(&page_, "Radio2");
  Add<QRadioButton>(noneChosen, "c");
  auto* plainGroup = Add<QGroupBox>(&page_, "Group");
  Add<QLineEdit>(plainGroup, "Inner")->setText("in");
  Add<QComboBox>(&page_, "Empty");

  SaveControls(File(), "Settings", page_);
  EXPECT_EQ(Keys("Settings"),
            (std::vector<std::string>{"Edit1", "Spin1", "Track1", "Check1", "Radio1", "Radio2", "Inner"}));
  EXPECT_EQ(Value("Settings", "Spin1"), "7");
  EXPECT_EQ(Value("Settings", "Check1"), "1");
  EXPECT_EQ(Value("Settings", "Radio1"), "1");
  EXPECT_EQ(Value("Settings", "Radio2"), "-1");
  EXPECT_EQ(profile::GetPrivateProfileSectionNames(FilePath()), std::vector<std::string>{"Settings"});
}

TEST_F(ControlSavingTest, WindowMetOnTheWayStartsItsOwnSectionWithPlacement) {
  auto* dialog = Add<QDialog>(&page_, "Options");
  dialog->setGeometry(10, 20, 300, 200);
  Add<QLineEdit>(dialog, "Path")->setText("/tmp");
  Add<QLineEdit>(&page_, "After")->setText("x");

  SaveControls(File(), "Settings", page_);
  EXPECT_EQ(Keys("Settings Options"),
            (std::vector<std::string>{"Options.Top", "Options.Left", "Options.Width", "Options.Height", "Path"}));
  EXPECT_EQ(Value("Settings Options", "Path"), "/tmp");
  EXPECT_EQ(Value("Settings", "After"), "x");
}

TEST_F(ControlSavingTest, ComboHistoryKeepsEntryEqualIgnoringCaseAndQuotesValues) {
  auto* combo = Add<QComboBox>(&page_, "Find");
  combo->setEditable(true);
  combo->addItems({"ABC", "x"});
  combo->setEditText("abc");

  SaveControls(File(), "Settings", page_);
  EXPECT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->currentText(), "abc");
  EXPECT_EQ(Contents(), "[History Find]\nCurrent=\"abc\"\n0=\"ABC\"\n1=\"x\"\n");

  combo->setEditText(" new ");
  SaveControls(File(), "Settings", page_);
  EXPECT_EQ(combo->itemText(0), " new ");
  EXPECT_EQ(Value("History Find", "0"), " new ");
  EXPECT_EQ(Value("History Find", "2"), "x");
}

TEST_F(ControlSavingTest, HistoryDropsEntry31AndStopsAfterCurrentPast255) {
  QComboBox combo;
  combo.setEditable(true);
  for (int i = 0; i < 31; ++i) combo.addItem(QString("e%1").arg(i));
  combo.setEditText("fresh");
  AddTextToHistory(combo);
  ASSERT_EQ(combo.count(), 31);
  EXPECT_EQ(combo.itemText(0), "fresh");
  EXPECT_EQ(combo.itemText(30), "e29");
  EXPECT_EQ(combo.currentText(), "fresh");

  QComboBox huge;
  huge.setEditable(true);
  for (int i = 0; i < 256; ++i) huge.addItem(QString("h%1").arg(i));
  huge.setEditText("h0");
  SaveComboHistory(File(), "History Huge", huge);
  EXPECT_EQ(Keys("History Huge"), std::vector<std::string>{"Current"});
}

TEST_F(ControlSavingTest, CheckListSectionIsErasedFirstAndHoldsOnlyCheckedEntries) {
  Put("[Settings Features]\nstale=1\nAlpha=1\n");
  auto* list = Add<QListWidget>(&page_, "Features");
  for (const char* text : {"Alpha", "Beta", "Gamma"}) {
    auto* item = new QListWidgetItem(text, list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(QString(text) == "Alpha" ? Qt::Unchecked : Qt::Checked);
  }
  auto* plainList = Add<QListWidget>(&page_, "Plain");
  plainList->addItem("not saved");

  SaveControls(File(), "Settings", page_);
  EXPECT_EQ(Contents(), "[Settings Features]\nBeta=1\nGamma=1\n");
}

TEST_F(ControlSavingTest, MemoLinesAndReadOnlyMemoLeavesItsSectionEmpty) {
  Put("[Settings Notes]\n0=old\n[Settings Log]\n0=old\n[Keep]\nk=v\n");
  Add<QPlainTextEdit>(&page_, "Notes")->setPlainText("first\n\nthird\n");
  auto* log = Add<QTextEdit>(&page_, "Log");
  log->setPlainText("shown only");
  log->setReadOnly(true);

  SaveControls(File(), "Settings", page_);
  EXPECT_EQ(Contents(), "[Keep]\nk=v\n\n[Settings Notes]\n0=first\n2=third\n");
}

TEST_F(ControlSavingTest, GridCellsColumnByColumnWithoutEmptiesOrZeroFixedCounts) {
  auto* grid = Add<QTableWidget>(&page_, "Grid");
  grid->setColumnCount(2);
  grid->setRowCount(3);
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->setItem(0, 0, new QTableWidgetItem("r0c0"));
  grid->setItem(2, 0, new QTableWidgetItem("r2c0"));
  grid->setItem(1, 1, new QTableWidgetItem("r1c1"));

  SaveControls(File(), "Settings", page_);
  EXPECT_EQ(Contents(), "[Settings Grid]\nRowCount=3\nColCount=2\nCell.0.0=r0c0\nCell.0.2=r2c0\nCell.1.1=r1c1\n");
}

TEST_F(ControlSavingTest, VisibleHeadersAreTheFixedRowAndColumn) {
  auto* grid = Add<QTableWidget>(&page_, "Grid");
  grid->setColumnCount(1);
  grid->setRowCount(1);
  grid->setHorizontalHeaderLabels({"Name"});
  grid->setVerticalHeaderLabels({"first"});
  grid->setItem(0, 0, new QTableWidgetItem("value"));

  SaveControls(File(), "Settings", page_);
  EXPECT_EQ(Contents(),
            "[Settings Grid]\nRowCount=2\nColCount=2\nFixedRows=1\nFixedCols=1\n"
            "Cell.0.1=first\nCell.1.0=Name\nCell.1.1=value\n");
}

TEST_F(ControlSavingTest, FailingChildDoesNotStopTheWalk) {
  auto* list = Add<QListWidget>(&page_, "Bad");
  auto* item = new QListWidgetItem("a=b", list);  // cannot be a key
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(Qt::Checked);
  Add<QLineEdit>(&page_, "")->setText("unnamed");
  Add<QLineEdit>(&page_, "Later")->setText("saved");

  EXPECT_NO_THROW(SaveControls(File(), "Settings", page_));
  EXPECT_EQ(Contents(), "[Settings]\nLater=saved\n");
}

TEST_F(ControlSavingTest, SaveStringListKeysFromTags) {
  recast::VectorTaggedList lines;
  lines.Add("ten", 10);
  lines.Add("", 11);
  lines.Add("twelve", 12);
  SaveStringList(File(), "Tagged", lines, true);
  EXPECT_EQ(Contents(), "[Tagged]\n10=ten\n12=twelve\n");
}

}  // namespace
