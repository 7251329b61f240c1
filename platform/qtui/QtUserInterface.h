#pragma once
// The program's dialogs, application-wide cursor and message processing, done with Qt.

#include "util/UserInterface.h"

class QWidget;

namespace recast::qtui {

class QtUserInterface : public UserInterface {
 public:
  // Dialogs are modal to parent; with no parent, to the active window.
  explicit QtUserInterface(QWidget* parent = nullptr) : parent_(parent) {}

  // Box titled "Warning", "Error", "Information", "Confirm" or (Custom, without icon) the
  // application's name, with the kind's standard icon and an OK button. Texts are shown as
  // plain text: a directory name that looks like markup is shown as it is.
  void MessageBox(MessageBoxKind kind, const std::string& text) override;
  // Confirmation box with OK and Abort; Escape or closing the box counts as Abort.
  bool AskOkAbort(const std::string& text) override;
  // Qt's own (not the desktop's) save dialog, so that it behaves the same everywhere. It does
  // not ask before overwriting: the list saving asks itself (AskSaveTarget), and only where the
  // export would write the file.
  std::optional<std::string> AskSaveFileName(const SaveDialogRequest& request) override;

  // kArrowCursor when no override cursor is set, kBusyCursor while the wait cursor is.
  CursorId CurrentCursor() const override;
  // Sets, not stacks: kBusyCursor makes the wait cursor the application-wide cursor (once,
  // however often it is set); kArrowCursor (or any other id) removes every override cursor,
  // so the widgets' own cursors show again.
  void SetCursor(CursorId cursor) override;

  void ProcessPendingMessages() override;

 private:
  QWidget* DialogParent() const;

  QWidget* parent_;
};

}  // namespace recast::qtui
