#pragma once
// Which kind of saved control a Qt widget is. The walk saves only these kinds:
//
//   QLineEdit (normal echo mode)          Edit: its text
//   QComboBox, not editable               DropDownList: the shown text
//   QComboBox, editable                   HistoryCombo: a "History " section of its own
//   QSpinBox                              SpinEdit: its value
//   QGroupBox with QRadioButton children  RadioGroup: index of the checked button among those
//                                         children in child order, -1 when none is checked
//                                         (its other children are not walked)
//   QSlider                               TrackBar: its position
//   QCheckBox                             CheckBox: 1 checked, 0 otherwise
//   QListWidget with a checkable item     CheckList
//   QPlainTextEdit, QTextEdit             Memo
//   QTableWidget                          Grid
//   QWidget, QFrame, QGroupBox, QTabWidget, QStackedWidget, QSplitter, QScrollArea, QMainWindow,
//   QDialog (also subclassed by the program)  Container: its children are walked; a container
//                                         that is a window also starts a section of its own
//
// A splitter counts as a container because Qt's splitter holds the panes it separates.
// Password line edits are not saved: a settings file is no place for secrets. Everything else
// (list and tree views, labels, buttons, menus, tab bars, ...) is Other and not saved.

class QWidget;

namespace recast::app {

enum class ControlKind {
  Other,
  Edit,
  DropDownList,
  HistoryCombo,
  SpinEdit,
  RadioGroup,
  TrackBar,
  CheckBox,
  CheckList,
  Memo,
  Grid,
  Container,
};

ControlKind KindOf(const QWidget& control);

}  // namespace recast::app
