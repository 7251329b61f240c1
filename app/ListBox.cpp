#include "app/ListBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>

#include "app/InputBlocker.h"

namespace recast::app {

ListBox::ListBox(const QString& objectName, bool sorted, QAbstractItemView::SelectionMode mode, QWidget* parent)
    : QListView(parent), model_(sorted) {
  setObjectName(objectName);
  setUniformItemSizes(true);
  setSelectionMode(mode);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setModel(&model_);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    pressChangedSelection_ = true;
    emit LineClicked();
  });
}

void ListBox::SetWideLines() {
  setUniformItemSizes(false);
  setTextElideMode(Qt::ElideNone);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

int ListBox::SelectedIndex() const {
  const QModelIndex current = currentIndex();
  if (current.isValid() && selectionModel()->isSelected(current)) return current.row();
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void ListBox::SelectLine(int row) {
  model_.Flush();
  if (row < 0 || row >= model_.rowCount()) return;
  const QModelIndex index = model_.index(row);
  const auto flags = selectionMode() == QAbstractItemView::SingleSelection ? QItemSelectionModel::ClearAndSelect
                                                                           : QItemSelectionModel::Select;
  selectionModel()->setCurrentIndex(index, flags);
  scrollTo(index);
}

bool ListBox::IsLineSelected(int row) const {
  if (row < 0 || row >= model_.rowCount()) return false;
  return selectionModel()->isSelected(model_.index(row));
}

void ListBox::ClearLineSelection() { selectionModel()->clearSelection(); }

void ListBox::mousePressEvent(QMouseEvent* event) {
  pressChangedSelection_ = false;
  pressOnLine_ = indexAt(event->position().toPoint()).isValid();
  QListView::mousePressEvent(event);
}

void ListBox::mouseReleaseEvent(QMouseEvent* event) {
  QListView::mouseReleaseEvent(event);
  // A click on the line that was already selected changes no selection but is a click all
  // the same.
  if (pressOnLine_ && !pressChangedSelection_ && event->button() == Qt::LeftButton &&
      indexAt(event->position().toPoint()).isValid()) {
    emit LineClicked();
  }
  pressOnLine_ = false;
}

void ListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  QListView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit LineOpened();
}

void ListBox::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
    event->accept();
    emit LineOpened();
    return;
  }
  QListView::keyPressEvent(event);
}

ComboBox::ComboBox(const QString& objectName, bool sorted, QWidget* parent) : QComboBox(parent), model_(sorted) {
  setObjectName(objectName);
  setEditable(false);
  setModel(&model_);
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(12);
}

void ComboBox::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  const bool typing = !text.isEmpty() && text.at(0).isPrint() &&
                      (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == Qt::NoModifier;
  const std::uint64_t time = KeyTime(*event);
  const bool sameRun = lastKeyTime_ != 0 && time >= lastKeyTime_ &&
                       time - lastKeyTime_ <= static_cast<std::uint64_t>(QApplication::keyboardInputInterval());
  // A blank inside a run is part of a name ("Organizational Unit"); on its own it opens the list.
  if (!typing || (text == QLatin1String(" ") && !sameRun)) {
    QComboBox::keyPressEvent(event);
    return;
  }
  event->accept();
  lastKeyTime_ = time;
  typed_ = sameRun ? typed_ + text : text;
  model_.Flush();
  int row = findText(typed_, Qt::MatchStartsWith);
  if (row < 0 && sameRun) {
    // No entry begins with the run: the key starts a new one.
    typed_ = text;
    row = findText(typed_, Qt::MatchStartsWith);
  }
  if (row < 0 || row == currentIndex()) return;
  setCurrentIndex(row);
  emit activated(row);
}

void ComboBox::ShowEntry(int row) {
  model_.Flush();
  const QSignalBlocker block(this);
  setCurrentIndex(row >= 0 && row < model_.rowCount() ? row : -1);
}

}  // namespace recast::app
