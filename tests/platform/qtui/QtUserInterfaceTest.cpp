#include "platform/qtui/QtUserInterface.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <filesystem>
#include <functional>

#include "platform/qtui/SaveFilter.h"

using recast::MessageBoxKind;
using recast::qtui::QtUserInterface;
using recast::qtui::ToQtNameFilters;

namespace {

// Runs act on the first visible modal dialog of type T as soon as it shows. Gives up (and
// closes whatever is open) after a few seconds, so a broken dialog cannot hang the suite.
template <typename T>
void WhenShown(std::function<void(T&)> act) {
  auto* timer = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget()); dialog && dialog->isVisible()) {
      timer->stop();
      timer->deleteLater();
      act(*dialog);
    } else if (++*tries > 500) {
      timer->stop();
      timer->deleteLater();
      for (QWidget* widget : QApplication::topLevelWidgets()) widget->close();
      ADD_FAILURE() << "dialog did not show";
    }
  });
  timer->start(10);
}

struct SeenBox {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  Qt::TextFormat format = Qt::AutoText;
};

void ClickAndRecord(QMessageBox::StandardButton press, SeenBox* seen) {
  WhenShown<QMessageBox>([press, seen](QMessageBox& box) {
    *seen = {box.windowTitle(), box.text(), box.icon(), box.standardButtons(), box.textFormat()};
    if (press == QMessageBox::NoButton) {
      box.reject();
    } else {
      box.button(press)->click();
    }
  });
}

TEST(SaveFilterTest, ConvertsPairsToQtNameFilters) {
  struct Case {
    const char* filter;
    QStringList expected;
  };
  for (const Case& c : {
           Case{"Text Files|*.txt|All Files|*.*", {"Text Files (*.txt)", "All Files (*.*)"}},
           Case{"Web Pages|*.htm;*.html", {"Web Pages (*.htm *.html)"}},
           Case{"", {}},
           Case{"Dangling", {}},
           Case{"|*.xml|Text|*.txt|", {"*.xml (*.xml)", "Text (*.txt)"}},
       }) {
    EXPECT_EQ(ToQtNameFilters(c.filter), c.expected) << c.filter;
  }
}

TEST(QtUserInterfaceTest, MessageBoxKindsShowTheirIconAndOneOkButton) {
  QtUserInterface ui;
  struct Case {
    MessageBoxKind kind;
    QMessageBox::Icon icon;
    const char* title;
  };
  QGuiApplication::setApplicationDisplayName("Recast Test");
  for (const Case& c : {Case{MessageBoxKind::Warning, QMessageBox::Warning, "Warning"},
                        Case{MessageBoxKind::Error, QMessageBox::Critical, "Error"},
                        Case{MessageBoxKind::Information, QMessageBox::Information, "Information"},
                        Case{MessageBoxKind::Confirmation, QMessageBox::Question, "Confirm"},
                        Case{MessageBoxKind::Custom, QMessageBox::NoIcon, "Recast Test"}}) {
    SeenBox seen;
    ClickAndRecord(QMessageBox::Ok, &seen);
    ui.MessageBox(c.kind, "Error    12: <b>ChangeTree</b> \xC3\xA4");
    EXPECT_EQ(seen.icon, c.icon) << c.title;
    EXPECT_EQ(seen.title, c.title);
    EXPECT_EQ(seen.text, QString::fromUtf8("Error    12: <b>ChangeTree</b> \xC3\xA4"));
    EXPECT_EQ(seen.format, Qt::PlainText);
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  }
}

TEST(QtUserInterfaceTest, AskOkAbortIsTrueOnlyForOk) {
  QtUserInterface ui;
  struct Case {
    QMessageBox::StandardButton press;  // NoButton: closed another way
    bool expected;
  };
  for (const Case& c :
       {Case{QMessageBox::Ok, true}, Case{QMessageBox::Abort, false}, Case{QMessageBox::NoButton, false}}) {
    SeenBox seen;
    ClickAndRecord(c.press, &seen);
    EXPECT_EQ(ui.AskOkAbort("Are you sure?"), c.expected) << c.press;
    EXPECT_EQ(seen.text, "Are you sure?");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok | QMessageBox::Abort);
    EXPECT_EQ(seen.format, Qt::PlainText);
  }
}

TEST(QtUserInterfaceTest, SaveDialogAppendsDefaultExtensionAndOffersTheFilters) {
  const auto folder = std::filesystem::temp_directory_path();
  QtUserInterface ui;
  QStringList filters;
  QString suggested;
  WhenShown<QFileDialog>([&](QFileDialog& dialog) {
    filters = dialog.nameFilters();
    suggested = dialog.findChild<QLineEdit*>("fileNameEdit")->text();
    dialog.selectFile(QString::fromStdString((folder / "chosen").string()));
    static_cast<QDialog&>(dialog).accept();  // runs the file dialog's own accept
  });
  const auto chosen = ui.AskSaveFileName({"TREE_Protocol", "txt", "Text Files|*.txt|All Files|*.*"});
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, (folder / "chosen.txt").string());
  EXPECT_EQ(filters, QStringList({"Text Files (*.txt)", "All Files (*.*)"}));
  EXPECT_EQ(suggested, "TREE_Protocol");

  WhenShown<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
  EXPECT_FALSE(ui.AskSaveFileName({"x", "txt", ""}).has_value());
}

TEST(QtUserInterfaceTest, CursorIsSetNotStacked) {
  QtUserInterface ui;
  EXPECT_EQ(ui.CurrentCursor(), recast::kArrowCursor);
  const recast::CursorId saved = ui.CurrentCursor();
  ui.SetCursor(recast::kBusyCursor);
  const recast::CursorId nested = ui.CurrentCursor();
  ui.SetCursor(recast::kBusyCursor);
  EXPECT_EQ(ui.CurrentCursor(), recast::kBusyCursor);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  ui.SetCursor(nested);
  EXPECT_EQ(ui.CurrentCursor(), recast::kBusyCursor);
  ui.SetCursor(saved);
  EXPECT_EQ(ui.CurrentCursor(), recast::kArrowCursor);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(QtUserInterfaceTest, ProcessPendingMessagesRunsQueuedEvents) {
  QtUserInterface ui;
  bool ran = false;
  QTimer::singleShot(0, [&ran] { ran = true; });
  ui.ProcessPendingMessages();
  EXPECT_TRUE(ran);
}

}  // namespace
