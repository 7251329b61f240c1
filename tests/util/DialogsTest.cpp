#include "util/Dialogs.h"

#include <gtest/gtest.h>

#include "tests/support/ScriptedUserInterface.h"

namespace recast {
namespace {

using Message = ScriptedUserInterface::Message;

TEST(DialogsTest, StatusErrorPadsWithBlanksAndSkipsSuccess) {
  ScriptedUserInterface ui;
  ShowStatusError(ui, 0, "DSChangeCurrentTree");
  EXPECT_TRUE(ui.messages().empty());
  ShowStatusError(ui, 18, "DSChangeCurrentTree");
  ShowStatusError(ui, -1, "X");
  ShowStatusError(ui, -601, "Y");
  ShowStatusError(ui, 0x12345, "Z");
  const std::vector<Message> expected = {
      {MessageBoxKind::Error, "Error   12: DSChangeCurrentTree"},
      {MessageBoxKind::Error, "Error FFFFFFFF: X"},
      {MessageBoxKind::Error, "Error FFFFFDA7: Y"},
      {MessageBoxKind::Error, "Error 12345: Z"},
  };
  EXPECT_EQ(ui.messages(), expected);
}

TEST(DialogsTest, ConfirmActionIsTrueOnlyForOk) {
  ScriptedUserInterface ui;
  ui.QueueOkAbort(true);
  ui.QueueOkAbort(false);
  EXPECT_TRUE(ConfirmAction(ui));
  EXPECT_FALSE(ConfirmAction(ui));
  EXPECT_FALSE(ConfirmAction(ui));  // closed without an answer
  EXPECT_EQ(ui.questions(), std::vector<std::string>(3, "Are you sure?"));
}

TEST(DialogsTest, BusyCursorIsSavedAndRestored) {
  ScriptedUserInterface ui;
  ui.SetCurrentCursor(7);
  CursorId saved = 0;
  BeginBusyCursor(ui, saved);
  EXPECT_EQ(saved, 7);
  EXPECT_EQ(ui.CurrentCursor(), kBusyCursor);
  RestoreCursor(ui, saved);
  EXPECT_EQ(ui.cursorChanges(), (std::vector<CursorId>{kBusyCursor, 7}));

  ui.ClearRecords();
  {
    BusyCursorScope busy(ui);
    EXPECT_EQ(ui.CurrentCursor(), kBusyCursor);
  }
  EXPECT_EQ(ui.CurrentCursor(), 7);
}

TEST(ScriptedUserInterfaceTest, RecordsDialogsInOrderAndRunsCallback) {
  ScriptedUserInterface ui;
  ui.QueueSaveFileName("/tmp/a.txt");
  ShowMessageBox(ui, MessageBoxKind::Custom, "plain");
  EXPECT_EQ(ui.AskSaveFileName({"Protocol", "txt", "Text Files|*.txt"}), "/tmp/a.txt");
  EXPECT_EQ(ui.AskSaveFileName({"Second", "txt", ""}), std::nullopt);
  ConfirmAction(ui);
  EXPECT_EQ(ui.transcript(),
            (std::vector<std::string>{"Custom: plain", "Save: Protocol", "Save: Second", "Ask: Are you sure?"}));
  int calls = 0;
  ui.SetOnProcessPendingMessages([&] {
    ++calls;
    ui.SetOnProcessPendingMessages(nullptr);  // one-shot
  });
  ui.ProcessPendingMessages();
  ui.ProcessPendingMessages();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(ui.processPendingCount(), 2);
}

}  // namespace
}  // namespace recast
