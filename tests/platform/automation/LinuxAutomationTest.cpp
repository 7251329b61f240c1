#include "platform/automation/LinuxAutomation.h"

#include <gtest/gtest.h>

#include "tests/support/MemoryClipboard.h"
#include "tests/support/ScriptedUserInterface.h"
#include "util/TableExport.h"

namespace recast {
namespace {

using Message = ScriptedUserInterface::Message;

TEST(LinuxAutomationTest, SpreadsheetExportsFallBackToTheClipboard) {
  ScriptedUserInterface ui;
  MemoryClipboard clipboard;
  LinuxAutomation automation;
  ExportContext context{ui, clipboard, automation};
  EXPECT_FALSE(ExportLines(context, {"line"}, "xls", ""));
  EXPECT_FALSE(ExportLines(context, {"line"}, "qp", ""));
  EXPECT_EQ(clipboard.GetText(), "line\r\n");
  EXPECT_EQ(ui.messages(), (std::vector<Message>{
                               {MessageBoxKind::Custom,
                                "Error saving to Excel (No automation server for \"Excel.Application\" on "
                                "this system) - Results are in clipboard"},
                               {MessageBoxKind::Custom,
                                "Error saving to QP (No automation server for \"QuattroPro.PerfectScript\" "
                                "on this system) - Results are in clipboard"},
                           }));
}

TEST(LinuxAutomationTest, LeavesOutputsAloneOnFailure) {
  LinuxAutomation automation;
  AutomationHandle handle = 77;
  EXPECT_FALSE(automation.CreateObject("Excel.Application", &handle).ok);
  EXPECT_EQ(handle, 77u);
  AutomationValue value = AutomationValue::Int(5);
  const AutomationStatus status = automation.GetProperty(1, "Visible", &value);
  EXPECT_EQ(status.message, "No automation object");
  EXPECT_EQ(value, AutomationValue::Int(5));
}

}  // namespace
}  // namespace recast
