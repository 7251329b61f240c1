#pragma once
// The UserInterface for tests: no window, every dialog recorded in order, answers taken
// from queues that the test fills beforehand.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "util/UserInterface.h"

namespace recast {

class ScriptedUserInterface : public UserInterface {
 public:
  struct Message {
    MessageBoxKind kind;
    std::string text;
    bool operator==(const Message&) const = default;
  };

  // One line per dialog in the order they were shown: "<Kind>: text" for message boxes
  // ("Warning", "Error", "Information", "Confirmation", "Custom"), "Ask: text" for OK/Abort
  // questions and "Save: defaultFileName" for save dialogs.
  const std::vector<std::string>& transcript() const { return transcript_; }
  const std::vector<Message>& messages() const { return messages_; }
  const std::vector<std::string>& questions() const { return questions_; }
  const std::vector<SaveDialogRequest>& saveRequests() const { return saveRequests_; }
  // Every cursor set, in order.
  const std::vector<CursorId>& cursorChanges() const { return cursorChanges_; }
  int processPendingCount() const { return processPendingCount_; }

  // Answers for the next AskOkAbort calls; with the queue empty the answer is Abort.
  void QueueOkAbort(bool ok) { okAbortAnswers_.push_back(ok); }
  // Answers for the next AskSaveFileName calls (nullopt = cancel); empty queue cancels.
  void QueueSaveFileName(std::optional<std::string> path) { saveAnswers_.push_back(std::move(path)); }
  std::size_t unusedAnswers() const { return okAbortAnswers_.size() + saveAnswers_.size(); }

  // Runs on every ProcessPendingMessages call, so a test can act in the middle of a long
  // loop. The callback may replace or clear itself.
  void SetOnProcessPendingMessages(std::function<void()> callback) { onProcess_ = std::move(callback); }

  void SetCurrentCursor(CursorId cursor) { cursor_ = cursor; }
  void ClearRecords();

  void MessageBox(MessageBoxKind kind, const std::string& text) override;
  bool AskOkAbort(const std::string& text) override;
  std::optional<std::string> AskSaveFileName(const SaveDialogRequest& request) override;
  CursorId CurrentCursor() const override { return cursor_; }
  void SetCursor(CursorId cursor) override;
  void ProcessPendingMessages() override;

 private:
  std::vector<std::string> transcript_;
  std::vector<Message> messages_;
  std::vector<std::string> questions_;
  std::vector<SaveDialogRequest> saveRequests_;
  std::vector<CursorId> cursorChanges_;
  int processPendingCount_ = 0;
  std::deque<bool> okAbortAnswers_;
  std::deque<std::optional<std::string>> saveAnswers_;
  std::function<void()> onProcess_;
  CursorId cursor_ = kArrowCursor;
};

const char* MessageBoxKindName(MessageBoxKind kind);

}  // namespace recast
