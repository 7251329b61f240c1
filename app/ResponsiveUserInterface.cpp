#include "app/ResponsiveUserInterface.h"

#include "app/InputBlocker.h"
#include "app/TaggedListModel.h"

namespace recast::app {

ResponsiveUserInterface::ResponsiveUserInterface(UserInterface& inner, int intervalMs)
    : inner_(inner), interval_(intervalMs) {}

void ResponsiveUserInterface::ShowAll() {
  for (TaggedListModel* model : watched_) model->Flush();
}

void ResponsiveUserInterface::MessageBox(MessageBoxKind kind, const std::string& text) {
  ShowAll();
  inner_.MessageBox(kind, text);
}

bool ResponsiveUserInterface::AskOkAbort(const std::string& text) {
  ShowAll();
  return inner_.AskOkAbort(text);
}

std::optional<std::string> ResponsiveUserInterface::AskSaveFileName(const SaveDialogRequest& request) {
  ShowAll();
  return inner_.AskSaveFileName(request);
}

CursorId ResponsiveUserInterface::CurrentCursor() const { return inner_.CurrentCursor(); }

void ResponsiveUserInterface::SetCursor(CursorId cursor) { inner_.SetCursor(cursor); }

void ResponsiveUserInterface::ProcessPendingMessages() {
  const auto now = std::chrono::steady_clock::now();
  if (interval_.count() > 0 && now - last_ < interval_) return;
  last_ = now;
  for (TaggedListModel* model : watched_) model->FlushBatch();
  inner_.ProcessPendingMessages();
}

}  // namespace recast::app

namespace recast::app {

bool ResponsiveUserInterface::CancelRequested() const {
  return (cancelSource_ && cancelSource_->CancelRequested()) || inner_.CancelRequested();
}

}  // namespace recast::app
