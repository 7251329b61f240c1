#pragma once
// A list box: a list view over its own TaggedListModel, with uniform item sizes (so 100,000
// lines lay out at once) and the list box notion of "the selected line".

#include <QComboBox>
#include <QListView>

#include <cstdint>

#include "app/TaggedListModel.h"

namespace recast::app {

class ListBox : public QListView {
  Q_OBJECT

 public:
  // mode: SingleSelection, MultiSelection (each click toggles) or ExtendedSelection (ranges).
  ListBox(const QString& objectName, bool sorted, QAbstractItemView::SelectionMode mode, QWidget* parent = nullptr);

  // Lines of any width, readable whole through the horizontal scroll bar. Costs a layout of
  // every line, so only for lists that stay small (the default takes every line's size from
  // the first one, which lays out 100,000 lines at once but cuts longer lines).
  void SetWideLines();

  TaggedListModel& Items() { return model_; }
  const TaggedListModel& Items() const { return model_; }

  // The selected line of a single-selection list (the current one of a multi-selection
  // list when it is selected); -1 when none.
  int SelectedIndex() const;
  // Makes row the selected line: the only one in a single-selection list, one more in a
  // multi-selection list; scrolls it into view. Out of range: nothing happens.
  void SelectLine(int row);
  bool IsLineSelected(int row) const;
  void ClearLineSelection();

 signals:
  // The user changed the selected line, by mouse or keyboard, or clicked the selected line
  // again: the moments a list box reports a click.
  void LineClicked();
  // A double-click anywhere in the list, on a line or on the empty area, or Return or Enter
  // (the keyboard's double-click): what a list box reports as a double-click.
  void LineOpened();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TaggedListModel model_;
  bool pressChangedSelection_ = false;
  bool pressOnLine_ = false;
};

// A drop-down-list combo box over its own TaggedListModel.
class ComboBox : public QComboBox {
  Q_OBJECT

 public:
  ComboBox(const QString& objectName, bool sorted, QWidget* parent = nullptr);

  TaggedListModel& Items() { return model_; }
  // Shows row as the selected entry (-1: none) without running the change handler.
  void ShowEntry(int row);

 protected:
  // Typing while the list is closed selects the first entry that begins with the keys typed
  // in one run (gaps no longer than the keyboard input interval, by the time each key was
  // typed, so keys held back during work continue the run) and reports it as activated. A
  // blank that starts a run opens the list as usual.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TaggedListModel model_;
  QString typed_;
  std::uint64_t lastKeyTime_ = 0;
};

}  // namespace recast::app
