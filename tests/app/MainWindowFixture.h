#pragma once
// A fresh main window per test over a fresh test directory, with scripted dialogs, the
// settings file in a temporary folder and the export writing real files.

#include <QComboBox>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "TestDirectory.h"
#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "app/SettingsStore.h"
#include "tests/support/MemoryClipboard.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast::app::testing {

class MainWindowFixture : public ::testing::Test {
 protected:
  // Where the error-text library is looked for: nowhere, so status texts are the bare codes.
  static constexpr const char* kNoErrorTextLibrary = "/nonexistent/librecast-errtext.so";

  void SetUp() override;
  void TearDown() override;

  // Builds and shows the window (SetUp does it unless a test wants to prepare first).
  void OpenWindow();
  void CloseWindow();

  std::filesystem::path TempPath(const std::string& name) const { return directory_.folder() / name; }
  std::filesystem::path SettingsFile() const { return TempPath("config") / "recast-object.ini"; }

  // The user's gestures.
  void ClickLine(ListBox& list, const std::string& text);
  void DoubleClickLine(ListBox& list, const std::string& text);
  void ChooseCombo(ComboBox& combo, const std::string& text);
  void SelectObject(const std::string& line) { ClickLine(*form_->ListBoxObjects, line); }
  void ChooseTarget(const std::string& className) { ChooseCombo(*form_->cbTargetClasses, className); }
  void Walk(std::initializer_list<const char*> containers);
  void Click(QAbstractButton& button);

  static std::vector<std::string> Lines(ListBox& list) { return list.Items().Lines(); }
  // The lines the view shows, read through its model.
  static std::vector<std::string> Shown(const QAbstractItemView& list);
  static int ShownRow(const QAbstractItemView& list, const std::string& text);
  static std::vector<std::int32_t> Tags(ListBox& list);
  static std::vector<std::string> SelectedLines(ListBox& list);

  bool delayOpen_ = false;
  TestDirectory directory_;
  std::unique_ptr<DirectoryClient> client_;
  ScriptedUserInterface ui_;
  MemoryClipboard clipboard_;
  std::unique_ptr<app::SettingsStore> settings_;
  std::vector<std::string> shellOpened_;
  AppServices services_;
  std::unique_ptr<MainForm> form_;
  std::unique_ptr<MainFormController> controller_;
};

}  // namespace recast::app::testing
