#include "app/MainForm.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace recast::app {
namespace {

class MainFormLayoutTest : public ::testing::Test {
 protected:
  MainForm form;

  template <typename T>
  T* Find(const char* name) {
    T* found = form.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
};

TEST_F(MainFormLayoutTest, TabsInOrderWithTheirAccelerators) {
  EXPECT_EQ(form.objectName(), "MainForm");
  EXPECT_EQ(form.windowTitle(), "Recast Object: Change Current Object Class");
  const QTabWidget* tabs = form.PageControl1;
  ASSERT_EQ(tabs->count(), 4);
  const char* names[] = {"TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4"};
  const char* captions[] = {"&Info", "Select &Object", "&Change Object Class", "&Protocol"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(tabs->widget(i)->objectName(), names[i]);
    EXPECT_EQ(tabs->tabText(i), captions[i]);
  }
  EXPECT_EQ(tabs->currentWidget(), form.TabSheet1);
  EXPECT_EQ(form.TitleLabel->text(), "Recast Object:   Change Current Object Class");
}

TEST_F(MainFormLayoutTest, ListsHaveTheirSortingAndSelectionModes) {
  const struct {
    const char* name;
    bool sorted;
    QAbstractItemView::SelectionMode mode;
    const char* hint;
    bool wide = false;  // long lines readable whole; the others lay out 100,000 lines at once
  } lists[] = {
      {"ListBoxContainers", true, QAbstractItemView::SingleSelection, "Containers - Double-click to change"},
      {"ListBoxObjects", true, QAbstractItemView::SingleSelection, "Objects in selected container"},
      {"lbSourceClassAttributes", true, QAbstractItemView::MultiSelection, ""},
      {"lbTargetClassAttributes", true, QAbstractItemView::ExtendedSelection, ""},
      {"ListBoxDelta", true, QAbstractItemView::SingleSelection,
       "Click on the list to see the error message in the conflicts list"},
      {"ListBoxInfo", false, QAbstractItemView::SingleSelection, "", true},
      {"ListBoxProtocol", false, QAbstractItemView::SingleSelection, "", true},
  };
  for (const auto& l : lists) {
    ListBox* list = Find<ListBox>(l.name);
    if (!list) continue;
    EXPECT_EQ(list->Items().Sorted(), l.sorted) << l.name;
    EXPECT_EQ(list->selectionMode(), l.mode) << l.name;
    EXPECT_EQ(list->uniformItemSizes(), !l.wide) << l.name;
    if (*l.hint) {
      EXPECT_EQ(list->toolTip(), l.hint) << l.name;
    }
  }
  EXPECT_FALSE(Find<ComboBox>("ComboBoxTrees")->Items().Sorted());
  EXPECT_EQ(form.ComboBoxTrees->toolTip(), "Select Current Tree");
  EXPECT_FALSE(Find<ComboBox>("cbSourceClasses")->Items().Sorted());
  EXPECT_TRUE(Find<ComboBox>("cbTargetClasses")->Items().Sorted());
  for (QComboBox* combo : {static_cast<QComboBox*>(form.ComboBoxTrees), static_cast<QComboBox*>(form.cbSourceClasses),
                           static_cast<QComboBox*>(form.cbTargetClasses)}) {
    EXPECT_FALSE(combo->isEditable()) << combo->objectName().toStdString();
  }
}

TEST_F(MainFormLayoutTest, PopupMenuBelongsToExactlyTheFiveSavableLists) {
  EXPECT_EQ(form.PopupSaveAs->text(), "Save As ...");
  EXPECT_EQ(form.PopupSaveAs->objectName(), "PopupSaveAs");
  for (const char* name :
       {"lbSourceClassAttributes", "lbTargetClassAttributes", "ListBoxDelta", "ListBoxInfo", "ListBoxProtocol"}) {
    EXPECT_EQ(Find<ListBox>(name)->contextMenuPolicy(), Qt::CustomContextMenu) << name;
  }
  for (const char* name : {"ListBoxContainers", "ListBoxObjects"}) {
    EXPECT_NE(Find<ListBox>(name)->contextMenuPolicy(), Qt::CustomContextMenu) << name;
  }
  emit form.ListBoxDelta->customContextMenuRequested(QPoint(1, 1));
  EXPECT_EQ(form.PopupComponent(), form.ListBoxDelta);
  form.PopupMenu->hide();
}

TEST_F(MainFormLayoutTest, ActionButtonsStartDisabledAndLabelsFocusTheirCombos) {
  EXPECT_FALSE(Find<QPushButton>("BitBtnRecast")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("BitBtnDeleteConflicts")->isEnabled());
  EXPECT_EQ(form.BitBtnRecast->text(), "&Change Object Class");
  EXPECT_EQ(form.BitBtnDeleteConflicts->text(), "&Delete Conflicts");
  EXPECT_NE(Find<QToolButton>("SpeedButton1"), nullptr);
  EXPECT_TRUE(Find<QPlainTextEdit>("Memo1")->isReadOnly());
  EXPECT_TRUE(Find<QLineEdit>("EditMyName")->isReadOnly());
  EXPECT_FALSE(Find<QLineEdit>("EditCurrentContainer")->isReadOnly());
  EXPECT_TRUE(form.BitBtnWeb->text().startsWith("https://"));
  EXPECT_FALSE(form.BitBtnWeb->toolTip().isEmpty());

  int buddies = 0;
  for (QLabel* label : form.findChildren<QLabel*>()) {
    if (label->text() == "Current &Object Classes") {
      EXPECT_EQ(label->buddy(), form.cbSourceClasses);
      ++buddies;
    }
    if (label->text() == "&New Object Class") {
      EXPECT_EQ(label->buddy(), form.cbTargetClasses);
      ++buddies;
    }
  }
  EXPECT_EQ(buddies, 2);
}

TEST_F(MainFormLayoutTest, ClickOnTheSelectedLineIsStillAClick) {
  ListBox& list = *form.ListBoxObjects;
  list.Items().Add("a", 0);
  list.Items().Add("b", 0);
  list.Items().Flush();
  form.resize(800, 600);
  form.show();
  form.PageControl1->setCurrentWidget(form.TabSheet2);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  int clicks = 0;
  QObject::connect(&list, &ListBox::LineClicked, [&] { ++clicks; });
  const QPoint line0 = list.visualRect(list.model()->index(0, 0)).center();
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, line0);
  EXPECT_EQ(clicks, 1);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, line0);
  EXPECT_EQ(clicks, 2) << "the same line again";
  list.setFocus();
  QTest::keyClick(&list, Qt::Key_Down);
  EXPECT_EQ(clicks, 3) << "keyboard";
  EXPECT_EQ(list.SelectedIndex(), 1);
}

TEST_F(MainFormLayoutTest, LongLogAndInformationLinesCanBeScrolledToTheirEnd) {
  const std::string reason(300, 'r');
  form.resize(500, 400);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  for (auto [list, tab] :
       {std::pair{form.ListBoxProtocol, form.TabSheet4}, std::pair{form.ListBoxInfo, form.TabSheet3}}) {
    form.PageControl1->setCurrentWidget(tab);
    // Lines shown one by one as a failed class change writes them, short ones first.
    for (const std::string& line : {std::string(), std::string("Recasting object: Sales"),
                                    "    Sales not recast (" + reason + ")", std::string()}) {
      list->Items().Add(line, 0);
      QApplication::processEvents();
    }
    const QModelIndex longLine = list->model()->index(2, 0);
    const int needed = list->fontMetrics().horizontalAdvance(longLine.data().toString());
    EXPECT_GE(list->visualRect(longLine).width(), needed) << list->objectName().toStdString();
    EXPECT_GT(list->horizontalScrollBar()->maximum(), 0) << list->objectName().toStdString();
  }
}

}  // namespace
}  // namespace recast::app
