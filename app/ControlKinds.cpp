#include "app/ControlKinds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTextEdit>
#include <QWidget>

#include <string_view>

namespace recast::app {
namespace {

bool HasRadioButtonChild(const QWidget& box) {
  for (const QObject* child : box.children()) {
    if (qobject_cast<const QRadioButton*>(child)) return true;
  }
  return false;
}

bool HasCheckableItem(const QListWidget& list) {
  for (int i = 0; i < list.count(); ++i) {
    if (list.item(i)->flags() & Qt::ItemIsUserCheckable) return true;
  }
  return false;
}

// The nearest Qt class of the widget: the program's own subclasses are looked through.
std::string_view QtClassOf(const QWidget& control) {
  for (const QMetaObject* meta = control.metaObject(); meta; meta = meta->superClass()) {
    const std::string_view name = meta->className();
    if (name.size() > 1 && name[0] == 'Q' && name[1] >= 'A' && name[1] <= 'Z' &&
        name.find("::") == std::string_view::npos)
      return name;
  }
  return {};
}

bool IsContainerClass(std::string_view qtClass) {
  for (std::string_view container : {"QWidget", "QFrame", "QGroupBox", "QTabWidget", "QStackedWidget", "QSplitter",
                                     "QScrollArea", "QMainWindow", "QDialog"}) {
    if (qtClass == container) return true;
  }
  return false;
}

}  // namespace

ControlKind KindOf(const QWidget& control) {
  if (const auto* edit = qobject_cast<const QLineEdit*>(&control)) {
    return edit->echoMode() == QLineEdit::Normal ? ControlKind::Edit : ControlKind::Other;
  }
  if (const auto* combo = qobject_cast<const QComboBox*>(&control)) {
    return combo->isEditable() ? ControlKind::HistoryCombo : ControlKind::DropDownList;
  }
  if (qobject_cast<const QSpinBox*>(&control)) return ControlKind::SpinEdit;
  if (qobject_cast<const QSlider*>(&control)) return ControlKind::TrackBar;
  if (qobject_cast<const QCheckBox*>(&control)) return ControlKind::CheckBox;
  if (const auto* list = qobject_cast<const QListWidget*>(&control)) {
    return HasCheckableItem(*list) ? ControlKind::CheckList : ControlKind::Other;
  }
  if (qobject_cast<const QPlainTextEdit*>(&control) || qobject_cast<const QTextEdit*>(&control)) {
    return ControlKind::Memo;
  }
  if (qobject_cast<const QTableWidget*>(&control)) return ControlKind::Grid;
  if (const auto* box = qobject_cast<const QGroupBox*>(&control); box && HasRadioButtonChild(*box)) {
    return ControlKind::RadioGroup;
  }
  return IsContainerClass(QtClassOf(control)) ? ControlKind::Container : ControlKind::Other;
}

}  // namespace recast::app
