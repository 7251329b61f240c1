#pragma once
// The seam between the program's logic and the window toolkit: modal dialogs, the
// application-wide cursor and "let pending window messages be processed". Code below the
// window talks to this interface only; the program supplies a Qt implementation and tests a
// scripted one (ScriptedUserInterface).

#include <cstdint>
#include <optional>
#include <string>

namespace recast {

// Fixes a dialog's title and icon: 0 warning, 1 error, 2 information, 3 confirmation,
// 4 custom (a plain box without icon).
enum class MessageBoxKind : int { Warning = 0, Error = 1, Information = 2, Confirmation = 3, Custom = 4 };

// Cursor ids for the application-wide cursor.
using CursorId = std::uint16_t;
inline constexpr CursorId kArrowCursor = 0;
inline constexpr CursorId kBusyCursor = 1;

struct SaveDialogRequest {
  std::string defaultFileName;   // no folder, no extension
  std::string defaultExtension;  // without the dot, e.g. "txt"
  std::string filter;            // "Text Files|*.txt|All Files|*.*"
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // Modal box of that kind with one OK button; returns when it is closed.
  virtual void MessageBox(MessageBoxKind kind, const std::string& text) = 0;
  // Modal confirmation box with OK and Abort; true only for OK.
  virtual bool AskOkAbort(const std::string& text) = 0;
  // Modal file-save dialog. The chosen full path (the default extension appended when the
  // user typed none), or nothing when cancelled.
  virtual std::optional<std::string> AskSaveFileName(const SaveDialogRequest& request) = 0;

  virtual CursorId CurrentCursor() const = 0;
  virtual void SetCursor(CursorId cursor) = 0;

  // Lets pending window messages be processed (repaint, input).
  virtual void ProcessPendingMessages() = 0;
  // True once the user asked to cancel the running work (while messages were processed):
  // long loops stop at their next step and keep what they did so far.
  virtual bool CancelRequested() const { return false; }
};

}  // namespace recast
