#pragma once
// The main window: its four tabs and every control, named as the program's window
// description names them. It holds no workflow logic; MainFormController reacts to it.

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QWidget>

#include "app/ListBox.h"

namespace recast::app {

inline constexpr const char* kMainFormCaption = "Recast Object: Change Current Object Class";
inline constexpr const char* kWebAddress = "https://recast-object.example.org";

class MainForm : public QWidget {
  Q_OBJECT

 public:
  explicit MainForm(QWidget* parent = nullptr);

  // The list on which PopupMenu was last opened; null before that.
  ListBox* PopupComponent() const { return popupComponent_; }
  // Opens PopupMenu for list at the global position (as a right-click does).
  void OpenPopupMenu(ListBox* list, const QPoint& globalPos);

  QTabWidget* PageControl1;
  QWidget* TabSheet1;
  QWidget* TabSheet2;
  QWidget* TabSheet3;
  QWidget* TabSheet4;

  QLabel* TitleLabel;
  QPlainTextEdit* Memo1;
  QPushButton* BitBtnWeb;

  ComboBox* ComboBoxTrees;
  QLineEdit* EditMyName;
  QLineEdit* EditCurrentContainer;
  ListBox* ListBoxContainers;
  ListBox* ListBoxObjects;
  QSplitter* SplitterObjects;

  ComboBox* cbSourceClasses;
  ListBox* lbSourceClassAttributes;
  ComboBox* cbTargetClasses;
  ListBox* lbTargetClassAttributes;
  QPushButton* BitBtnRecast;
  QPushButton* BitBtnDeleteConflicts;
  QToolButton* SpeedButton1;
  ListBox* ListBoxDelta;
  ListBox* ListBoxInfo;
  QSplitter* SplitterColumns;
  QSplitter* SplitterInfo;

  ListBox* ListBoxProtocol;

  QMenu* PopupMenu;
  QAction* PopupSaveAs;

 signals:
  void FormShown();    // first show only
  void FormClosing();  // the window is being closed

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildInfoTab();
  void BuildSelectObjectTab();
  void BuildChangeClassTab();
  void BuildProtocolTab();
  void AttachPopupMenu(ListBox* list);

  ListBox* popupComponent_ = nullptr;
  bool shownOnce_ = false;
  bool closed_ = false;
};

}  // namespace recast::app
