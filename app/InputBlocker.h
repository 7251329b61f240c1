#pragma once
// Holds back user input to the main window while an analysis, listing or action runs: the long loops let the
// message loop run so the window repaints, and without this a click there could start a
// second analysis that empties the lists the running one works through. Closing the window
// meanwhile is deferred until the operation is over, since the close frees the context the
// operation is using.

#include <QKeyEvent>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class QWidget;

namespace recast::app {

// The clock of key events that carry no time stamp of their own (milliseconds): a key held
// back is stamped when it was typed, so typing that resumes after the hold still counts as
// one run of keys.
std::uint64_t InputClockMs();
// The time the key was typed, on the clock of its platform or InputClockMs.
std::uint64_t KeyTime(const QKeyEvent& event);

class InputBlocker : public QObject {
  Q_OBJECT

 public:
  explicit InputBlocker(QWidget& window, QObject* parent = nullptr);
  ~InputBlocker() override;

  bool Active() const { return depth_ > 0; }
  // Set by Escape to the window (or RequestCancel) while input is held back; cleared when
  // the next operation begins.
  bool CancelRequested() const { return cancelRequested_; }
  // Asks the running operation to stop at its next step; nothing when none runs.
  void RequestCancel() {
    if (Active()) cancelRequested_ = true;
  }
  // Lets the operation go on with work that must follow what was cancelled.
  void ClearCancelRequest() { cancelRequested_ = false; }
  void Begin();
  // After the last End the keys held back are delivered and a close asked for meanwhile is
  // carried out.
  void End();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool IsInWindow(QObject* object) const;

  QPointer<QWidget> window_;
  int depth_ = 0;
  bool closeRequested_ = false;
  bool cancelRequested_ = false;
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QKeyEvent>>> heldKeys_;
};

// Input held back for the lifetime of the object.
class InputHold {
 public:
  explicit InputHold(InputBlocker& blocker) : blocker_(blocker) { blocker_.Begin(); }
  ~InputHold() { blocker_.End(); }
  InputHold(const InputHold&) = delete;
  InputHold& operator=(const InputHold&) = delete;

 private:
  InputBlocker& blocker_;
};

}  // namespace recast::app
