#pragma once
// The standard message dialogs and the busy cursor, over the UserInterface seam.

#include <cstdint>
#include <string_view>

#include "util/UserInterface.h"

namespace recast {

// Modal box of that kind showing text with one OK button.
void ShowMessageBox(UserInterface& ui, MessageBoxKind kind, std::string_view text);

// Asks "Are you sure?" with OK and Abort; true only for OK.
bool ConfirmAction(UserInterface& ui);

// Shows "Error %04X: %s" (status in hex, blank-padded to four places) as an error box.
// Shows nothing when status is 0.
void ShowStatusError(UserInterface& ui, std::int32_t status, std::string_view operation);

void ShowBusyCursor(UserInterface& ui);
// Stores the current cursor in *saved, then shows the busy cursor.
void BeginBusyCursor(UserInterface& ui, CursorId& saved);
void RestoreCursor(UserInterface& ui, CursorId cursor);

// Busy cursor for the lifetime of the object; the cursor found at construction comes back
// on every path out of the scope.
class BusyCursorScope {
 public:
  explicit BusyCursorScope(UserInterface& ui) : ui_(ui) { BeginBusyCursor(ui_, saved_); }
  ~BusyCursorScope() { RestoreCursor(ui_, saved_); }
  BusyCursorScope(const BusyCursorScope&) = delete;
  BusyCursorScope& operator=(const BusyCursorScope&) = delete;

 private:
  UserInterface& ui_;
  CursorId saved_ = kArrowCursor;
};

}  // namespace recast
