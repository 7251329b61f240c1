#include "MainWindowFixture.h"

#include <fstream>

#include "app/DesktopSeams.h"
#include "platform/automation/LinuxAutomation.h"

namespace recast::app::testing {

namespace {
LinuxAutomation& Automation() {
  static LinuxAutomation automation;
  return automation;
}
}  // namespace

void MainWindowFixture::SetUp() {
  ASSERT_TRUE(directory_.ok()) << directory_.error();
  std::filesystem::create_directories(TempPath("config"));
  std::ofstream(TempPath("recast-object.txt")) << "About this program\nSecond line\n";

  client_ = directory_.NewClient();
  settings_ = std::make_unique<app::SettingsStore>(TempPath("config"), "/opt/recast/recast-object");
  services_.client = client_.get();
  services_.ui = &ui_;
  services_.errorTextLibrary = kNoErrorTextLibrary;
  services_.infoFileName = TempPath("recast-object.txt").string();
  services_.messageIntervalMs = 0;
  WireSettings(services_, *settings_);
  services_.shellOpen = [this](const std::string& commandLine) { shellOpened_.push_back(commandLine); };
  WireExport(services_, ui_, clipboard_, Automation());
  if (!delayOpen_) OpenWindow();
}

void MainWindowFixture::OpenWindow() {
  controller_.reset();
  form_.reset();
  form_ = std::make_unique<MainForm>();
  controller_ = std::make_unique<MainFormController>(*form_, services_);
  form_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
}

void MainWindowFixture::CloseWindow() {
  if (form_) form_->close();
}

void MainWindowFixture::TearDown() {
  CloseWindow();
  controller_.reset();
  form_.reset();
}

std::vector<std::string> MainWindowFixture::Shown(const QAbstractItemView& list) {
  std::vector<std::string> lines;
  const QAbstractItemModel& model = *list.model();
  for (int row = 0; row < model.rowCount(); ++row) {
    lines.push_back(model.data(model.index(row, 0), Qt::DisplayRole).toString().toStdString());
  }
  return lines;
}

int MainWindowFixture::ShownRow(const QAbstractItemView& list, const std::string& text) {
  const std::vector<std::string> lines = Shown(list);
  const auto found = std::find(lines.begin(), lines.end(), text);
  return found == lines.end() ? -1 : static_cast<int>(found - lines.begin());
}

void MainWindowFixture::ClickLine(ListBox& list, const std::string& text) {
  // The user can only click what the view shows.
  const int row = ShownRow(list, text);
  ASSERT_GE(row, 0) << text;
  QWidget* tab = list.parentWidget();
  while (tab && form_->PageControl1->indexOf(tab) < 0) tab = tab->parentWidget();
  if (tab) form_->PageControl1->setCurrentWidget(tab);
  list.scrollTo(list.model()->index(row, 0));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.model()->index(row, 0)).center());
}

void MainWindowFixture::DoubleClickLine(ListBox& list, const std::string& text) {
  ClickLine(list, text);
  const int row = ShownRow(list, text);
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.model()->index(row, 0)).center());
}

void MainWindowFixture::ChooseCombo(ComboBox& combo, const std::string& text) {
  const int row = combo.findText(QString::fromStdString(text), Qt::MatchFixedString);
  ASSERT_GE(row, 0) << text;
  combo.setCurrentIndex(row);
  emit combo.activated(row);
}

void MainWindowFixture::Walk(std::initializer_list<const char*> containers) {
  for (const char* container : containers) DoubleClickLine(*form_->ListBoxContainers, container);
}

void MainWindowFixture::Click(QAbstractButton& button) {
  ASSERT_TRUE(button.isEnabled()) << button.objectName().toStdString();
  QWidget* tab = &button;
  while (tab && form_->PageControl1->indexOf(tab) < 0) tab = tab->parentWidget();
  if (tab) form_->PageControl1->setCurrentWidget(tab);
  QTest::mouseClick(&button, Qt::LeftButton);
}

std::vector<std::int32_t> MainWindowFixture::Tags(ListBox& list) {
  std::vector<std::int32_t> tags;
  for (int i = 0; i < list.Items().Count(); ++i) tags.push_back(list.Items().Tag(i));
  return tags;
}

std::vector<std::string> MainWindowFixture::SelectedLines(ListBox& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Items().Count(); ++i) {
    if (list.IsLineSelected(i)) lines.push_back(list.Items().Text(i));
  }
  return lines;
}

}  // namespace recast::app::testing
