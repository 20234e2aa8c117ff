#include "browser/Form1.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "browser/ui_helpers.h"

namespace tarvo::browser {
namespace {

QAction* addItem(QMenu* menu, const char* name, const QString& caption,
                 const QKeySequence& shortcut = {}) {
  auto* action = menu->addAction(caption);
  action->setObjectName(QLatin1String(name));
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  return action;
}

QMenu* addMenu(QMenuBar* bar, const char* name, const QString& caption) {
  auto* menu = bar->addMenu(caption);
  menu->setObjectName(QLatin1String(name));
  return menu;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, int widthTwips) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setAccessibleName(caption);
  button->setEnabled(false);
  button->setMinimumWidth(twipsToPx(widthTwips));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Windows Based Tarvolink"));
  buildMenus();
  buildCentral();

  auto* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  bar->setSizeGripEnabled(false);
  const int stretch[3] = {2, 1, 4};
  for (int i = 0; i < 3; ++i) {
    panels_[i] = new QLabel(bar);
    panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
    panels_[i]->setAccessibleName(QStringLiteral("Status panel %1").arg(i + 1));
    panels_[i]->setFrameShape(QFrame::StyledPanel);
    panels_[i]->setFrameShadow(QFrame::Sunken);
    panels_[i]->setMinimumWidth(60);
    bar->addPermanentWidget(panels_[i], stretch[i]);
  }
  resize(twipsToPx(5415 + 2 * 240) + 20, twipsToPx(8175) + 90);
}

void Form1::buildMenus() {
  auto* bar = menuBar();
  Session = addMenu(bar, "Session", QStringLiteral("IccSession"));
  SessionNewMP = addItem(Session, "SessionNewMP", QStringLiteral("New"), QKeySequence::New);
  SessionCloseMP = addItem(Session, "SessionCloseMP", QStringLiteral("Close"),
                           QKeySequence(Qt::CTRL | Qt::Key_W));
  SessionCloseMP->setVisible(false);
  Session->addSeparator()->setObjectName(QStringLiteral("Sep"));
  SetOptions = Session->addMenu(QStringLiteral("Options"));
  SetOptions->setObjectName(QStringLiteral("SetOptions"));
  AlwaysOnTopMP = addItem(SetOptions, "AlwaysOnTopMP", QStringLiteral("Always On Top"),
                          QKeySequence(Qt::CTRL | Qt::Key_T));
  AlwaysOnTopMP->setCheckable(true);
  AlwaysOnTopMP->setChecked(true);
  serverMP = addItem(SetOptions, "serverMP", QStringLiteral("Tarvo Server"),
                     QKeySequence(Qt::CTRL | Qt::Key_P));
  xrefMP = addItem(SetOptions, "xrefMP", QStringLiteral("Cross-Reference"),
                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X));
  xrefMP->setEnabled(false);
  Session->addSeparator()->setObjectName(QStringLiteral("Sep2"));
  SessionExitMP = addItem(Session, "SessionExitMP", QStringLiteral("Exit"), QKeySequence::Quit);
  SessionExitMP->setMenuRole(QAction::QuitRole);

  ListMenu = addMenu(bar, "ListMenu", QStringLiteral("List"));
  RefreshListMP =
      addItem(ListMenu, "RefreshListMP", QStringLiteral("Refresh"), QKeySequence::Refresh);
  ListMenu->addSeparator()->setObjectName(QStringLiteral("Sep3"));
  ShowEcbsMP = addItem(ListMenu, "ShowEcbsMP", QStringLiteral("Show ECB/Station Blocks"),
                       QKeySequence(Qt::CTRL | Qt::Key_B));
  ShowEcbsMP->setCheckable(true);
  ListMenu->menuAction()->setVisible(false);

  CPUtilitiesMenu = addMenu(bar, "CPUtilitiesMenu", QStringLiteral("CP Utilities"));
  UploadCPMP = addItem(CPUtilitiesMenu, "UploadCPMP", QStringLiteral("Upload"),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U));
  CheckpointCPMP = addItem(CPUtilitiesMenu, "CheckpointCPMP", QStringLiteral("Checkpoint"),
                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
  InitializeCPMP = addItem(CPUtilitiesMenu, "InitializeCPMP", QStringLiteral("Initialize"),
                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
  CPUtilitiesMenu->menuAction()->setVisible(false);

  Help = addMenu(bar, "Help", QStringLiteral("Help"));
  About = addItem(Help, "About", QStringLiteral("About"), QKeySequence::HelpContents);
  About->setMenuRole(QAction::AboutRole);

  // Shortcuts must work while a menu is hidden (the actions stay on the window).
  for (QAction* action :
       {SessionNewMP, SessionCloseMP, AlwaysOnTopMP, serverMP, xrefMP, SessionExitMP, RefreshListMP,
        ShowEcbsMP, UploadCPMP, CheckpointCPMP, InitializeCPMP, About})
    addAction(action);
}

void Form1::buildCentral() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("Form1Client"));
  auto* grid = new QGridLayout(central);
  grid->setContentsMargins(twipsToPx(240), 0, twipsToPx(240), 4);

  // The lists' frame and the tree's frame share one place: the tree's frame, once shown,
  // covers the lists' frame, as a session's tree replaces the choice of a CP.
  CPFRM = new QGroupBox(
      QStringLiteral("            CP/Vol                                          Compound Name"),
      central);
  CPFRM->setObjectName(QStringLiteral("CPFRM"));
  CPFRM->setAccessibleName(QStringLiteral("CP/Vol and Compound Name"));
  CPFRM->setFont(listFont());
  CPFRM->setFixedHeight(twipsToPx(855) + 6);
  auto* lists = new QHBoxLayout(CPFRM);
  lists->setContentsMargins(twipsToPx(120), 4, twipsToPx(120), 4);
  CPListCBO = new QComboBox(CPFRM);
  CPListCBO->setObjectName(QStringLiteral("CPListCBO"));
  CPListCBO->setAccessibleName(QStringLiteral("CP/Vol list"));
  CPListCBO->setFont(listFont());
  CPListCBO->setMinimumWidth(twipsToPx(1935));
  CPListCBO->setPlaceholderText(QStringLiteral("Choose a CP/Vol"));
  CPListCBO->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  OrLBL = new QLabel(QStringLiteral("OR"), CPFRM);
  OrLBL->setObjectName(QStringLiteral("OrLBL"));
  OrLBL->setAlignment(Qt::AlignCenter);
  CmpCBO = new QComboBox(CPFRM);
  CmpCBO->setObjectName(QStringLiteral("CmpCBO"));
  CmpCBO->setAccessibleName(QStringLiteral("Compound list"));
  CmpCBO->setFont(listFont());
  CmpCBO->setMinimumWidth(twipsToPx(2895));
  CmpCBO->setPlaceholderText(QStringLiteral("or a compound"));
  CmpCBO->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  lists->addWidget(CPListCBO, 2);
  lists->addWidget(OrLBL);
  lists->addWidget(CmpCBO, 3);
  CPListCBO->hide();
  CmpCBO->hide();
  CPFRM->hide();

  CBFRM = new QGroupBox(QStringLiteral("Choose CMP:BLK"), central);
  CBFRM->setObjectName(QStringLiteral("CBFRM"));
  CBFRM->setAccessibleName(QStringLiteral("Choose CMP:BLK"));
  CBFRM->setAutoFillBackground(true);
  auto* treeBox = new QVBoxLayout(CBFRM);
  TreeView1 = new QTreeWidget(CBFRM);
  TreeView1->setObjectName(QStringLiteral("TreeView1"));
  TreeView1->setAccessibleName(QStringLiteral("Block tree"));
  TreeView1->setHeaderHidden(true);
  TreeView1->setColumnCount(1);
  TreeView1->setFont(listFont());
  TreeView1->setUniformRowHeights(true);
  TreeView1->setMinimumSize(twipsToPx(4215), twipsToPx(4000));
  treeBox->addWidget(TreeView1, 1);

  auto* buttons = new QGridLayout;
  buttons->setHorizontalSpacing(4);
  buttons->setVerticalSpacing(4);
  EditPB = makeButton(CBFRM, "EditPB", QStringLiteral("Edit"), 855);
  PastePB = makeButton(CBFRM, "PastePB", QStringLiteral("Paste"), 855);
  AddPB = makeButton(CBFRM, "AddPB", QStringLiteral("Add"), 855);
  MoveToPB = makeButton(CBFRM, "MoveToPB", QStringLiteral("Move To"), 975);
  XrefPB = makeButton(CBFRM, "XrefPB", QStringLiteral("Xref"), 975);
  EditSeq = makeButton(CBFRM, "EditSeq", QStringLiteral("Edit Seq"), 855);
  CopyPB = makeButton(CBFRM, "CopyPB", QStringLiteral("Copy"), 855);
  DelPB = makeButton(CBFRM, "DelPB", QStringLiteral("Delete"), 855);
  MoveFromPB = makeButton(CBFRM, "MoveFromPB", QStringLiteral("Move From"), 975);
  PLBEditPB = makeButton(CBFRM, "PLBEditPB", QStringLiteral("View PLB"), 975);
  const auto all = blockButtons();
  for (int i = 0; i < 10; ++i) buttons->addWidget(all[static_cast<std::size_t>(i)], i / 5, i % 5);
  treeBox->addLayout(buttons);
  CBFRM->hide();

  Label1 =
      new QLabel(QStringLiteral("Tarvolink: remote configuration of control processors"), central);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont serif(QStringLiteral("Times New Roman"));
  serif.setStyleHint(QFont::Serif);
  serif.setItalic(true);
  Label1->setFont(serif);
  Label1->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
  Label1->setWordWrap(true);

  grid->addWidget(Label1, 0, 0, Qt::AlignBottom);
  grid->addWidget(CPFRM, 0, 0, Qt::AlignTop);
  grid->addWidget(CBFRM, 0, 0);
  grid->setRowStretch(0, 1);
  CBFRM->raise();

  // Tab order: the lists, then the tree and its buttons row by row.
  setTabOrder(CPListCBO, CmpCBO);
  setTabOrder(CmpCBO, TreeView1);
  QWidget* previous = TreeView1;
  for (QPushButton* button : all) {
    setTabOrder(previous, button);
    previous = button;
  }
  setCentralWidget(central);
}

std::array<QPushButton*, 10> Form1::blockButtons() const {
  return {EditPB, PastePB, AddPB, MoveToPB, XrefPB, EditSeq, CopyPB, DelPB, MoveFromPB, PLBEditPB};
}

void Form1::updStatBar(const QString& message, int barIdx) {
  switch (barIdx) {
    case 1: panels_[0]->setText(QStringLiteral("Host: ") + message); break;
    case 2: panels_[1]->setText(QStringLiteral("CP: ") + message.left(6)); break;
    case 3: panels_[2]->setText(message); break;
    default: break;
  }
}

QString Form1::panelText(int barIdx) const {
  if (barIdx < 1 || barIdx > 3) return {};
  return panels_[barIdx - 1]->text();
}

QString Form1::sessionCp() const {
  return panelText(2).mid(4, 6);
}

void Form1::hideLists(bool hide) {
  CPListCBO->setVisible(!hide);
  CmpCBO->setVisible(!hide);
  OrLBL->setVisible(!hide);
}

void Form1::setAlwaysOnTop(bool onTop) {
  AlwaysOnTopMP->setChecked(onTop);
  if (onTop == isAlwaysOnTop()) return;
  const bool wasVisible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  // Changing a window flag hides the window; bring it back where it was.
  if (wasVisible) show();
}

void Form1::toggleAlwaysOnTop() {
  setAlwaysOnTop(!AlwaysOnTopMP->isChecked());
}

bool Form1::isAlwaysOnTop() const {
  return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void Form1::closeEvent(QCloseEvent* event) {
  emit unloading();
  event->accept();
}

}  // namespace tarvo::browser
