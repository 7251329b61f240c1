#pragma once
// Takes the clipboard's text into a new sheet of a spreadsheet application by automation.
// The application stays open for the user; any failure is shown as a plain message box
// that says the results are in the clipboard.

#include "util/Automation.h"
#include "util/UserInterface.h"

namespace recast {

// "Excel.Application": Visible = true; Workbooks.Add; ActiveSheet.Paste; Cells.Select;
// Selection.Columns.AutoFit; Selection.Rows.AutoFit. The first failure ends the sequence
// with "Error saving to Excel (%s) - Results are in clipboard". Returns true when every
// step succeeded.
bool PasteIntoExcel(UserInterface& ui, Automation& automation);

// "QuattroPro.PerfectScript": FileNew; SelectBlock("A:A1"); EditPaste(left out); then the
// formatting steps SelectBlock("A:"), Setproperty("Font.Point_Size", "8"),
// Setproperty("Column_Width", "Auto Width;;1"), SelectBlock("A:A1"), of which a failure
// silently ends the formatting. A failure before it shows "Error saving to QP (%s) -
// Results are in clipboard". Returns false only in that case.
bool PasteIntoQuattroPro(UserInterface& ui, Automation& automation);

}  // namespace recast
