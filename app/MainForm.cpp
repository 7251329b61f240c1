#include "app/MainForm.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include "app/AppIcon.h"

namespace recast::app {

namespace {

QLabel* Heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setContentsMargins(2, 4, 2, 2);
  return label;
}

QWidget* Column(QWidget* parent) {
  auto* column = new QWidget(parent);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  return column;
}

}  // namespace

MainForm::MainForm(QWidget* parent) : QWidget(parent) {
  setObjectName("MainForm");
  setWindowTitle(kMainFormCaption);
  setWindowIcon(AppIcon());

  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(PageControl1);

  PopupMenu = new QMenu(this);
  PopupMenu->setObjectName("PopupMenu");
  PopupSaveAs = PopupMenu->addAction("Save As ...");
  PopupSaveAs->setObjectName("PopupSaveAs");

  BuildInfoTab();
  BuildSelectObjectTab();
  BuildChangeClassTab();
  BuildProtocolTab();
  PageControl1->setCurrentWidget(TabSheet1);
  resize(860, 600);
}

void MainForm::BuildInfoTab() {
  TabSheet1 = new QWidget;
  TabSheet1->setObjectName("TabSheet1");
  auto* layout = new QVBoxLayout(TabSheet1);
  layout->setContentsMargins(8, 8, 8, 8);

  TitleLabel = new QLabel("Recast Object:   Change Current Object Class", TabSheet1);
  TitleLabel->setObjectName("TitleLabel");
  QFont titleFont = TitleLabel->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
  TitleLabel->setFont(titleFont);
  TitleLabel->setContentsMargins(2, 2, 2, 6);
  layout->addWidget(TitleLabel);

  Memo1 = new QPlainTextEdit(TabSheet1);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addWidget(Memo1, 1);

  BitBtnWeb = new QPushButton(kWebAddress, TabSheet1);
  BitBtnWeb->setObjectName("BitBtnWeb");
  BitBtnWeb->setFlat(true);
  BitBtnWeb->setCursor(Qt::PointingHandCursor);
  BitBtnWeb->setToolTip("Get the latest release of Recast Object and our other directory tools");
  QFont linkFont = BitBtnWeb->font();
  linkFont.setUnderline(true);
  BitBtnWeb->setFont(linkFont);
  BitBtnWeb->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  layout->addWidget(BitBtnWeb);

  PageControl1->addTab(TabSheet1, "&Info");
}

void MainForm::BuildSelectObjectTab() {
  TabSheet2 = new QWidget;
  TabSheet2->setObjectName("TabSheet2");
  auto* layout = new QVBoxLayout(TabSheet2);
  layout->setContentsMargins(8, 8, 8, 8);

  auto* topRow = new QHBoxLayout;
  ComboBoxTrees = new ComboBox("ComboBoxTrees", false, TabSheet2);
  ComboBoxTrees->setToolTip("Select Current Tree");
  ComboBoxTrees->setMinimumWidth(220);
  EditMyName = new QLineEdit(TabSheet2);
  EditMyName->setObjectName("EditMyName");
  EditMyName->setReadOnly(true);
  EditMyName->setToolTip("Logged in as");
  topRow->addWidget(ComboBoxTrees, 1);
  topRow->addWidget(EditMyName, 2);
  layout->addLayout(topRow);

  EditCurrentContainer = new QLineEdit(TabSheet2);
  EditCurrentContainer->setObjectName("EditCurrentContainer");
  EditCurrentContainer->setToolTip("Current container");
  layout->addWidget(EditCurrentContainer);

  SplitterObjects = new QSplitter(Qt::Horizontal, TabSheet2);
  SplitterObjects->setObjectName("SplitterObjects");
  SplitterObjects->setChildrenCollapsible(false);

  QWidget* left = Column(SplitterObjects);
  left->layout()->addWidget(Heading("Parent Container", left));
  ListBoxContainers = new ListBox("ListBoxContainers", true, QAbstractItemView::SingleSelection, left);
  ListBoxContainers->setToolTip("Containers - Double-click to change");
  left->layout()->addWidget(ListBoxContainers);

  QWidget* right = Column(SplitterObjects);
  right->layout()->addWidget(Heading("Select Object", right));
  ListBoxObjects = new ListBox("ListBoxObjects", true, QAbstractItemView::SingleSelection, right);
  ListBoxObjects->setToolTip("Objects in selected container");
  right->layout()->addWidget(ListBoxObjects);

  SplitterObjects->addWidget(left);
  SplitterObjects->addWidget(right);
  SplitterObjects->setStretchFactor(0, 0);
  SplitterObjects->setStretchFactor(1, 1);
  SplitterObjects->setSizes({260, 560});
  layout->addWidget(SplitterObjects, 1);

  PageControl1->addTab(TabSheet2, "Select &Object");
}

void MainForm::BuildChangeClassTab() {
  TabSheet3 = new QWidget;
  TabSheet3->setObjectName("TabSheet3");
  auto* layout = new QVBoxLayout(TabSheet3);
  layout->setContentsMargins(8, 8, 8, 8);

  SplitterInfo = new QSplitter(Qt::Vertical, TabSheet3);
  SplitterInfo->setObjectName("SplitterInfo");
  SplitterInfo->setChildrenCollapsible(false);
  SplitterColumns = new QSplitter(Qt::Horizontal, SplitterInfo);
  SplitterColumns->setObjectName("SplitterColumns");
  SplitterColumns->setChildrenCollapsible(false);

  // Left column: what the object is now.
  QWidget* left = Column(SplitterColumns);
  auto* sourceLabel = Heading("Current &Object Classes", left);
  cbSourceClasses = new ComboBox("cbSourceClasses", false, left);
  sourceLabel->setBuddy(cbSourceClasses);
  lbSourceClassAttributes = new ListBox("lbSourceClassAttributes", true, QAbstractItemView::MultiSelection, left);
  left->layout()->addWidget(sourceLabel);
  left->layout()->addWidget(cbSourceClasses);
  left->layout()->addWidget(Heading("Potential old attributes", left));
  left->layout()->addWidget(lbSourceClassAttributes);

  // Centre column: what it is to become.
  QWidget* centre = Column(SplitterColumns);
  auto* targetLabel = Heading("&New Object Class", centre);
  cbTargetClasses = new ComboBox("cbTargetClasses", true, centre);
  targetLabel->setBuddy(cbTargetClasses);
  lbTargetClassAttributes = new ListBox("lbTargetClassAttributes", true, QAbstractItemView::ExtendedSelection, centre);
  centre->layout()->addWidget(targetLabel);
  centre->layout()->addWidget(cbTargetClasses);
  centre->layout()->addWidget(Heading("Potential new attributes", centre));
  centre->layout()->addWidget(lbTargetClassAttributes);

  // Right column: the actions and the conflicts.
  QWidget* right = Column(SplitterColumns);
  BitBtnRecast = new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton), "&Change Object Class", right);
  BitBtnRecast->setObjectName("BitBtnRecast");
  BitBtnRecast->setEnabled(false);
  BitBtnDeleteConflicts = new QPushButton(style()->standardIcon(QStyle::SP_TrashIcon), "&Delete Conflicts", right);
  BitBtnDeleteConflicts->setObjectName("BitBtnDeleteConflicts");
  BitBtnDeleteConflicts->setEnabled(false);
  auto* conflictsRow = new QHBoxLayout;
  SpeedButton1 = new QToolButton(right);
  SpeedButton1->setObjectName("SpeedButton1");
  SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
  SpeedButton1->setAutoRaise(true);
  SpeedButton1->setToolTip("Summary of the analysis");
  conflictsRow->addWidget(SpeedButton1);
  conflictsRow->addWidget(new QLabel("Potential Conflicts", right), 1);
  ListBoxDelta = new ListBox("ListBoxDelta", true, QAbstractItemView::SingleSelection, right);
  ListBoxDelta->setToolTip("Click on the list to see the error message in the conflicts list");
  auto* rightLayout = static_cast<QVBoxLayout*>(right->layout());
  rightLayout->addWidget(BitBtnRecast);
  rightLayout->addWidget(BitBtnDeleteConflicts);
  rightLayout->addLayout(conflictsRow);
  rightLayout->addWidget(ListBoxDelta);

  SplitterColumns->addWidget(left);
  SplitterColumns->addWidget(centre);
  SplitterColumns->addWidget(right);
  SplitterColumns->setStretchFactor(0, 0);
  SplitterColumns->setStretchFactor(1, 1);
  SplitterColumns->setStretchFactor(2, 0);
  SplitterColumns->setSizes({250, 320, 250});

  // Lower area: the explanations.
  QWidget* lower = Column(SplitterInfo);
  auto* infoHeading = Heading("Conflict Information", lower);
  infoHeading->setFrameShape(QFrame::StyledPanel);
  ListBoxInfo = new ListBox("ListBoxInfo", false, QAbstractItemView::SingleSelection, lower);
  lower->layout()->addWidget(infoHeading);
  ListBoxInfo->SetWideLines();
  lower->layout()->addWidget(ListBoxInfo);

  SplitterInfo->addWidget(SplitterColumns);
  SplitterInfo->addWidget(lower);
  SplitterInfo->setStretchFactor(0, 2);
  SplitterInfo->setStretchFactor(1, 1);
  SplitterInfo->setSizes({330, 170});
  layout->addWidget(SplitterInfo);

  for (ListBox* list : {lbSourceClassAttributes, lbTargetClassAttributes, ListBoxDelta, ListBoxInfo}) {
    AttachPopupMenu(list);
  }
  PageControl1->addTab(TabSheet3, "&Change Object Class");
}

void MainForm::BuildProtocolTab() {
  TabSheet4 = new QWidget;
  TabSheet4->setObjectName("TabSheet4");
  auto* layout = new QVBoxLayout(TabSheet4);
  layout->setContentsMargins(8, 8, 8, 8);
  ListBoxProtocol = new ListBox("ListBoxProtocol", false, QAbstractItemView::SingleSelection, TabSheet4);
  ListBoxProtocol->SetWideLines();
  layout->addWidget(ListBoxProtocol);
  AttachPopupMenu(ListBoxProtocol);
  PageControl1->addTab(TabSheet4, "&Protocol");
}

void MainForm::AttachPopupMenu(ListBox* list) {
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list, &QWidget::customContextMenuRequested, this,
          [this, list](const QPoint& pos) { OpenPopupMenu(list, list->viewport()->mapToGlobal(pos)); });
}

void MainForm::OpenPopupMenu(ListBox* list, const QPoint& globalPos) {
  popupComponent_ = list;
  PopupMenu->popup(globalPos);
}

void MainForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!shownOnce_ && !event->spontaneous()) {
    shownOnce_ = true;
    emit FormShown();
  }
}

void MainForm::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    emit FormClosing();
  }
  event->accept();
}

}  // namespace recast::app
