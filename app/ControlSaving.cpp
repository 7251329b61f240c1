#include "app/ControlSaving.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTextEdit>
#include <QWidget>

#include "app/ControlKinds.h"
#include "app/Placement.h"
#include "app/QtText.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast::app {
namespace {

constexpr int kHistoryKeep = 30;  // entries kept before a new one is inserted at the top
constexpr int kHistoryWritable = 255;

int CheckedRadioIndex(const QGroupBox& group) {
  int index = 0;
  for (const QObject* child : group.children()) {
    const auto* radio = qobject_cast<const QRadioButton*>(child);
    if (!radio) continue;
    if (radio->isChecked()) return index;
    ++index;
  }
  return -1;
}

bool SaveCheckList(const settings::SettingsFile& file, const std::string& section, const QListWidget& list) {
  if (!file.EraseSection(section)) return false;
  for (int i = 0; i < list.count(); ++i) {
    const QListWidgetItem* item = list.item(i);
    if (!WriteBoolIfChanged(file, section, ToText(item->text()), item->checkState() == Qt::Checked)) return false;
  }
  return true;
}

bool SaveMemo(const settings::SettingsFile& file, const std::string& section, const QWidget& memo) {
  QString text;
  bool readOnly = false;
  if (const auto* plain = qobject_cast<const QPlainTextEdit*>(&memo)) {
    text = plain->toPlainText();
    readOnly = plain->isReadOnly();
  } else if (const auto* rich = qobject_cast<const QTextEdit*>(&memo)) {
    text = rich->toPlainText();
    readOnly = rich->isReadOnly();
  }
  if (readOnly) return file.EraseSection(section);
  VectorTaggedList lines;
  if (!text.isEmpty()) {
    for (const QString& line : text.split(QLatin1Char('\n'))) lines.Add(ToText(line), 0);
  }
  return SaveStringList(file, section, lines, false);
}

// Visible headers are the grid's fixed row and column: row 0 holds the column captions and
// column 0 the row captions, as the table shows them.
QString GridCellText(const QTableWidget& grid, int column, int row) {
  if (column < 0 && row < 0) return {};
  if (row < 0) return grid.model()->headerData(column, Qt::Horizontal).toString();
  if (column < 0) return grid.model()->headerData(row, Qt::Vertical).toString();
  const QTableWidgetItem* item = grid.item(row, column);
  return item ? item->text() : QString();
}

bool SaveGrid(const settings::SettingsFile& file, const std::string& section, const QTableWidget& grid) {
  if (!file.EraseSection(section)) return false;
  const int fixedRows = grid.horizontalHeader()->isHidden() ? 0 : 1;
  const int fixedCols = grid.verticalHeader()->isHidden() ? 0 : 1;
  const int rowCount = grid.rowCount() + fixedRows;
  const int colCount = grid.columnCount() + fixedCols;
  if (!WriteIntegerIfChanged(file, section, "RowCount", rowCount) ||
      !WriteIntegerIfChanged(file, section, "ColCount", colCount) ||
      !WriteIntegerIfChanged(file, section, "FixedRows", fixedRows) ||
      !WriteIntegerIfChanged(file, section, "FixedCols", fixedCols)) {
    return false;
  }
  for (int col = 0; col < colCount; ++col) {
    for (int row = 0; row < rowCount; ++row) {
      if (!WriteStringIfChanged(file, section, Format("Cell.%d.%d", {col, row}),
                                ToText(GridCellText(grid, col - fixedCols, row - fixedRows)))) {
        return false;
      }
    }
  }
  return true;
}

// Saves one child; a failed write leaves the rest of this child unsaved.
void SaveChild(const settings::SettingsFile& file, const std::string& section, QWidget& child) {
  const std::string name = ToText(child.objectName());
  const std::string ownSection = section + " " + name;
  switch (KindOf(child)) {
    case ControlKind::Edit:
      WriteStringIfChanged(file, section, name, ToText(static_cast<QLineEdit&>(child).text()));
      break;
    case ControlKind::DropDownList:
      WriteStringIfChanged(file, section, name, ToText(static_cast<QComboBox&>(child).currentText()));
      break;
    case ControlKind::HistoryCombo:
      SaveComboHistory(file, "History " + name, static_cast<QComboBox&>(child));
      break;
    case ControlKind::SpinEdit:
      WriteIntegerIfChanged(file, section, name, static_cast<QSpinBox&>(child).value());
      break;
    case ControlKind::RadioGroup:
      WriteIntegerIfChanged(file, section, name, CheckedRadioIndex(static_cast<QGroupBox&>(child)));
      break;
    case ControlKind::TrackBar:
      WriteIntegerIfChanged(file, section, name, static_cast<QSlider&>(child).value());
      break;
    case ControlKind::CheckBox:
      WriteBoolIfChanged(file, section, name, static_cast<QCheckBox&>(child).isChecked());
      break;
    case ControlKind::CheckList:
      SaveCheckList(file, ownSection, static_cast<QListWidget&>(child));
      break;
    case ControlKind::Memo:
      SaveMemo(file, ownSection, child);
      break;
    case ControlKind::Grid:
      SaveGrid(file, ownSection, static_cast<QTableWidget&>(child));
      break;
    case ControlKind::Container:
      SaveControls(file, section, child);
      break;
    case ControlKind::Other:
      break;
  }
}

}  // namespace

void SaveControls(const settings::SettingsFile& file, const std::string& section, QWidget& control) {
  std::string current = section;
  if (control.isWindow() && KindOf(control) == ControlKind::Container) {
    current = section + " " + ToText(control.objectName());
    SaveBounds(file, current, control);
  }
  const QObjectList children = control.children();
  for (QObject* object : children) {
    auto* child = qobject_cast<QWidget*>(object);
    if (!child) continue;
    // One control that cannot be saved does not keep the others from being saved.
    SaveChild(file, current, *child);
  }
}

void AddTextToHistory(QComboBox& combo) {
  const QString text = combo.currentText();
  if (text.isEmpty()) return;
  const std::string wanted = ToText(text);
  for (int i = 0; i < combo.count(); ++i) {
    if (TextEquals(ToText(combo.itemText(i)), wanted)) return;
  }
  if (combo.count() > kHistoryKeep) combo.removeItem(kHistoryKeep);
  combo.insertItem(0, text);
  // Removing or inserting may move the current item; the typed text is what the user sees.
  if (combo.currentText() != text) combo.setEditText(text);
}

bool SaveComboHistory(const settings::SettingsFile& file, const std::string& section, QComboBox& combo) {
  AddTextToHistory(combo);
  if (!WriteStringIfChanged(file, section, "Current", QuoteText(ToText(combo.currentText())))) return false;
  if (combo.count() > kHistoryWritable) return true;
  for (int i = 0; i < combo.count(); ++i) {
    if (!WriteStringIfChanged(file, section, Format("%d", {i}), QuoteText(ToText(combo.itemText(i))))) return false;
  }
  return true;
}

bool SaveStringList(const settings::SettingsFile& file, const std::string& section, const TaggedList& lines,
                    bool keysFromTags) {
  if (!file.EraseSection(section)) return false;
  for (int i = 0; i < lines.Count(); ++i) {
    if (!WriteStringIfChanged(file, section, Format("%d", {keysFromTags ? lines.Tag(i) : i}), lines.Text(i))) {
      return false;
    }
  }
  return true;
}

}  // namespace recast::app
