#include "tests/support/ScriptedUserInterface.h"

namespace recast {

const char* MessageBoxKindName(MessageBoxKind kind) {
  switch (kind) {
    case MessageBoxKind::Warning:
      return "Warning";
    case MessageBoxKind::Error:
      return "Error";
    case MessageBoxKind::Information:
      return "Information";
    case MessageBoxKind::Confirmation:
      return "Confirmation";
    case MessageBoxKind::Custom:
      return "Custom";
  }
  return "Unknown";
}

void ScriptedUserInterface::ClearRecords() {
  transcript_.clear();
  messages_.clear();
  questions_.clear();
  saveRequests_.clear();
  cursorChanges_.clear();
  processPendingCount_ = 0;
}

void ScriptedUserInterface::MessageBox(MessageBoxKind kind, const std::string& text) {
  messages_.push_back({kind, text});
  transcript_.push_back(std::string(MessageBoxKindName(kind)) + ": " + text);
}

bool ScriptedUserInterface::AskOkAbort(const std::string& text) {
  questions_.push_back(text);
  transcript_.push_back("Ask: " + text);
  if (okAbortAnswers_.empty()) return false;
  const bool ok = okAbortAnswers_.front();
  okAbortAnswers_.pop_front();
  return ok;
}

std::optional<std::string> ScriptedUserInterface::AskSaveFileName(const SaveDialogRequest& request) {
  saveRequests_.push_back(request);
  transcript_.push_back("Save: " + request.defaultFileName);
  if (saveAnswers_.empty()) return std::nullopt;
  auto answer = std::move(saveAnswers_.front());
  saveAnswers_.pop_front();
  return answer;
}

void ScriptedUserInterface::SetCursor(CursorId cursor) {
  cursor_ = cursor;
  cursorChanges_.push_back(cursor);
}

void ScriptedUserInterface::ProcessPendingMessages() {
  ++processPendingCount_;
  if (onProcess_) {
    // A copy, so the callback may replace itself while it runs.
    auto callback = onProcess_;
    callback();
  }
}

}  // namespace recast
