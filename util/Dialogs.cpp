#include "util/Dialogs.h"

#include <string>

#include "util/Format.h"

namespace recast {

void ShowMessageBox(UserInterface& ui, MessageBoxKind kind, std::string_view text) {
  ui.MessageBox(kind, std::string(text));
}

bool ConfirmAction(UserInterface& ui) { return ui.AskOkAbort("Are you sure?"); }

void ShowStatusError(UserInterface& ui, std::int32_t status, std::string_view operation) {
  if (status == 0) return;
  ShowMessageBox(ui, MessageBoxKind::Error, Format("Error %04X: %s", {status, operation}));
}

void ShowBusyCursor(UserInterface& ui) { ui.SetCursor(kBusyCursor); }

void BeginBusyCursor(UserInterface& ui, CursorId& saved) {
  saved = ui.CurrentCursor();
  ShowBusyCursor(ui);
}

void RestoreCursor(UserInterface& ui, CursorId cursor) { ui.SetCursor(cursor); }

}  // namespace recast
