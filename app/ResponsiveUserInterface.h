#pragma once
// The dialog seam as the directory layer sees it from the window: every call passes through
// to the real one, but "let pending messages be processed" first shows the lines appended
// to the window's lists so far and then runs the message loop at most once per interval, so
// a 100,000-entry listing repaints smoothly instead of spinning the loop 100,000 times.

#include <chrono>
#include <vector>

#include "util/UserInterface.h"

namespace recast::app {

class InputBlocker;
class TaggedListModel;

class ResponsiveUserInterface : public UserInterface {
 public:
  ResponsiveUserInterface(UserInterface& inner, int intervalMs);

  // Where cancel requests come from (Escape while input is held back).
  void SetCancelSource(const InputBlocker& blocker) { cancelSource_ = &blocker; }

  // Lists whose appended lines are shown at each message processing.
  void Watch(TaggedListModel& model) { watched_.push_back(&model); }
  // Shows every line appended to the watched lists (before a dialog and when a handler
  // ends, so what a list holds is what its view shows).
  void ShowAll();

  void MessageBox(MessageBoxKind kind, const std::string& text) override;
  bool AskOkAbort(const std::string& text) override;
  std::optional<std::string> AskSaveFileName(const SaveDialogRequest& request) override;
  CursorId CurrentCursor() const override;
  void SetCursor(CursorId cursor) override;
  void ProcessPendingMessages() override;
  bool CancelRequested() const override;

 private:
  UserInterface& inner_;
  std::chrono::milliseconds interval_;
  std::chrono::steady_clock::time_point last_{};
  std::vector<TaggedListModel*> watched_;
  const InputBlocker* cancelSource_ = nullptr;
};

}  // namespace recast::app
