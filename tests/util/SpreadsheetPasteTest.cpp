#include "util/SpreadsheetPaste.h"

#include <gtest/gtest.h>

#include "tests/support/RecordingAutomation.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast {
namespace {

using Calls = std::vector<std::string>;
using Message = ScriptedUserInterface::Message;

const Calls kExcelCalls = {
    "Create(Excel.Application)",
    "Set(Excel.Application, Visible, true)",
    "Get(Excel.Application, Workbooks)",
    "Call(Excel.Application.Workbooks, Add)",
    "Get(Excel.Application, ActiveSheet)",
    "Call(Excel.Application.ActiveSheet, Paste)",
    "Get(Excel.Application, Cells)",
    "Call(Excel.Application.Cells, Select)",
    "Get(Excel.Application, Selection)",
    "Get(Excel.Application.Selection, Columns)",
    "Call(Excel.Application.Selection.Columns, AutoFit)",
    "Get(Excel.Application, Selection)",
    "Get(Excel.Application.Selection, Rows)",
    "Call(Excel.Application.Selection.Rows, AutoFit)",
};

const Calls kQuattroProCalls = {
    "Create(QuattroPro.PerfectScript)",
    "Call(QuattroPro.PerfectScript, FileNew)",
    "Call(QuattroPro.PerfectScript, SelectBlock, \"A:A1\")",
    "Call(QuattroPro.PerfectScript, EditPaste, <missing>)",
    "Call(QuattroPro.PerfectScript, SelectBlock, \"A:\")",
    "Call(QuattroPro.PerfectScript, Setproperty, \"Font.Point_Size\", \"8\")",
    "Call(QuattroPro.PerfectScript, Setproperty, \"Column_Width\", \"Auto Width;;1\")",
    "Call(QuattroPro.PerfectScript, SelectBlock, \"A:A1\")",
};

Calls Prefix(const Calls& calls, std::size_t n) { return Calls(calls.begin(), calls.begin() + n); }

TEST(SpreadsheetPasteTest, ExcelSequenceInOrderAndEverythingReleased) {
  ScriptedUserInterface ui;
  RecordingAutomation automation;
  EXPECT_TRUE(PasteIntoExcel(ui, automation));
  EXPECT_EQ(automation.CallsWithoutReleases(), kExcelCalls);
  EXPECT_EQ(automation.calls().back(), "Release(Excel.Application)");
  EXPECT_EQ(automation.liveObjects(), 0u);
  EXPECT_TRUE(ui.messages().empty());
}

TEST(SpreadsheetPasteTest, ExcelFailureStopsAndSaysResultsAreInClipboard) {
  for (std::size_t failing : {0u, 1u, 4u, 9u, 13u}) {
    ScriptedUserInterface ui;
    RecordingAutomation automation;
    automation.FailOn(kExcelCalls[failing], "Call was rejected by callee");
    EXPECT_FALSE(PasteIntoExcel(ui, automation));
    EXPECT_EQ(automation.CallsWithoutReleases(), Prefix(kExcelCalls, failing + 1)) << failing;
    EXPECT_EQ(automation.liveObjects(), 0u);
    EXPECT_EQ(
        ui.messages(),
        (std::vector<Message>{{MessageBoxKind::Custom,
                               "Error saving to Excel (Call was rejected by callee) - Results are in clipboard"}}));
  }
}

TEST(SpreadsheetPasteTest, QuattroProSequenceAndIgnoredFormattingFailure) {
  {
    ScriptedUserInterface ui;
    RecordingAutomation automation;
    EXPECT_TRUE(PasteIntoQuattroPro(ui, automation));
    EXPECT_EQ(automation.CallsWithoutReleases(), kQuattroProCalls);
    EXPECT_EQ(automation.liveObjects(), 0u);
  }
  {
    ScriptedUserInterface ui;
    RecordingAutomation automation;
    automation.FailOn(kQuattroProCalls[5], "bad property");
    EXPECT_TRUE(PasteIntoQuattroPro(ui, automation));
    EXPECT_EQ(automation.CallsWithoutReleases(), Prefix(kQuattroProCalls, 6));  // formatting ends there
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(automation.calls().back(), "Release(QuattroPro.PerfectScript)");
  }
  for (std::size_t failing : {0u, 1u, 2u, 3u}) {
    ScriptedUserInterface ui;
    RecordingAutomation automation;
    automation.FailOn(kQuattroProCalls[failing], "not running");
    EXPECT_FALSE(PasteIntoQuattroPro(ui, automation));
    EXPECT_EQ(automation.CallsWithoutReleases(), Prefix(kQuattroProCalls, failing + 1));
    EXPECT_EQ(ui.messages(), (std::vector<Message>{{MessageBoxKind::Custom,
                                                    "Error saving to QP (not running) - Results are in clipboard"}}));
  }
}

}  // namespace
}  // namespace recast
