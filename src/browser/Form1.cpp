#include "browser/Form1.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <array>

#include "ui/ui_helpers.h"

namespace tarvo::browser {
namespace {

constexpr int kCommandCount = static_cast<int>(Form1::Command::About) + 1;

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

struct Form1::Ui {
  std::array<QAction*, kCommandCount> commands{};
  QMenu* menus[2] = {};  // List, CP Utilities
  QGroupBox* CPFRM = nullptr;
  QComboBox* CPListCBO = nullptr;
  QLabel* OrLBL = nullptr;
  QComboBox* CmpCBO = nullptr;
  QGroupBox* CBFRM = nullptr;
  QTreeWidget* TreeView1 = nullptr;
  QLineEdit* FilterTB = nullptr;
  std::array<QPushButton*, kButtonCount> buttons{};
  QLabel* Label1 = nullptr;
  QLabel* panels[3] = {};

  QAction*& command(Command c) { return commands[static_cast<std::size_t>(c)]; }
  QPushButton*& button(Button b) { return buttons[static_cast<std::size_t>(b)]; }

  void buildMenus(Form1* form);
  void buildCentral(Form1* form);
  void buildStatusBar(Form1* form);
};

void Form1::Ui::buildMenus(Form1* form) {
  auto* bar = form->menuBar();
  QMenu* session = addMenu(bar, "Session", QStringLiteral("IccSession"));
  command(Command::New) =
      addItem(session, "SessionNewMP", QStringLiteral("New"), QKeySequence::New);
  command(Command::Close) = addItem(session, "SessionCloseMP", QStringLiteral("Close"),
                                    QKeySequence(Qt::CTRL | Qt::Key_W));
  command(Command::Close)->setVisible(false);
  session->addSeparator()->setObjectName(QStringLiteral("Sep"));
  QMenu* options = session->addMenu(QStringLiteral("Options"));
  options->setObjectName(QStringLiteral("SetOptions"));
  QAction* onTop = command(Command::AlwaysOnTop) =
      addItem(options, "AlwaysOnTopMP", QStringLiteral("Always On Top"),
              QKeySequence(Qt::CTRL | Qt::Key_T));
  onTop->setCheckable(true);
  onTop->setChecked(true);
  command(Command::ServerOptions) = addItem(options, "serverMP", QStringLiteral("Tarvo Server"),
                                            QKeySequence(Qt::CTRL | Qt::Key_P));
  command(Command::CrossReference) = addItem(options, "xrefMP", QStringLiteral("Cross-Reference"),
                                             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X));
  command(Command::CrossReference)->setEnabled(false);
  session->addSeparator()->setObjectName(QStringLiteral("Sep2"));
  command(Command::Exit) =
      addItem(session, "SessionExitMP", QStringLiteral("Exit"), QKeySequence::Quit);
  command(Command::Exit)->setMenuRole(QAction::QuitRole);

  QMenu* list = menus[0] = addMenu(bar, "ListMenu", QStringLiteral("List"));
  command(Command::Refresh) =
      addItem(list, "RefreshListMP", QStringLiteral("Refresh"), QKeySequence::Refresh);
  list->addSeparator()->setObjectName(QStringLiteral("Sep3"));
  command(Command::ShowEcbs) =
      addItem(list, "ShowEcbsMP", QStringLiteral("Show ECB/Station Blocks"),
              QKeySequence(Qt::CTRL | Qt::Key_B));
  command(Command::ShowEcbs)->setCheckable(true);

  QMenu* utilities = menus[1] = addMenu(bar, "CPUtilitiesMenu", QStringLiteral("CP Utilities"));
  command(Command::Upload) = addItem(utilities, "UploadCPMP", QStringLiteral("Upload"),
                                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U));
  command(Command::Checkpoint) = addItem(utilities, "CheckpointCPMP", QStringLiteral("Checkpoint"),
                                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
  command(Command::Initialize) = addItem(utilities, "InitializeCPMP", QStringLiteral("Initialize"),
                                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));

  QMenu* view = addMenu(bar, "ViewMenu", QStringLiteral("View"));
  command(Command::ChangeJournal) = addItem(view, "JournalMP", QStringLiteral("Change Journal"),
                                            QKeySequence(Qt::CTRL | Qt::Key_J));
  command(Command::ProtocolTrace) = addItem(view, "TraceMP", QStringLiteral("Protocol Trace"),
                                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
  view->addSeparator();
  command(Command::ExportBlocks) =
      addItem(view, "ExportBlocksMP", QStringLiteral("Export Blocks to CSV..."));

  QMenu* help = addMenu(bar, "Help", QStringLiteral("Help"));
  command(Command::About) =
      addItem(help, "About", QStringLiteral("About"), QKeySequence::HelpContents);
  command(Command::About)->setMenuRole(QAction::AboutRole);

  for (int i = 0; i < kCommandCount; ++i) {
    QAction* action = commands[static_cast<std::size_t>(i)];
    // The shortcuts belong to the window, whatever menu is open or closed.
    form->addAction(action);
  }
  // The window's own commands.
  connect(command(Command::AlwaysOnTop), &QAction::triggered, form, [form] {
    // The action has toggled its own tick already; the window follows it.
    form->setAlwaysOnTop(form->isCommandChecked(Command::AlwaysOnTop));
  });
  connect(command(Command::Exit), &QAction::triggered, form, &QWidget::close);
}

void Form1::Ui::buildCentral(Form1* form) {
  auto* central = new QWidget(form);
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
  FilterTB = new QLineEdit(CBFRM);
  FilterTB->setObjectName(QStringLiteral("FilterTB"));
  FilterTB->setAccessibleName(QStringLiteral("Find block"));
  FilterTB->setPlaceholderText(QStringLiteral("Find block or type (Ctrl+F)"));
  FilterTB->setClearButtonEnabled(true);
  treeBox->addWidget(FilterTB);
  TreeView1 = new QTreeWidget(CBFRM);
  TreeView1->setObjectName(QStringLiteral("TreeView1"));
  TreeView1->setAccessibleName(QStringLiteral("Block tree"));
  TreeView1->setHeaderHidden(true);
  TreeView1->setColumnCount(1);
  TreeView1->setFont(listFont());
  TreeView1->setUniformRowHeights(true);
  TreeView1->setRootIsDecorated(true);
  TreeView1->setMinimumSize(twipsToPx(4215), twipsToPx(4000));
  treeBox->addWidget(TreeView1, 1);
  // Exporting the blocks is also on the tree's own menu.
  TreeView1->setContextMenuPolicy(Qt::ActionsContextMenu);
  TreeView1->addAction(command(Command::ExportBlocks));

  auto* buttonGrid = new QGridLayout;
  buttonGrid->setHorizontalSpacing(4);
  buttonGrid->setVerticalSpacing(4);
  button(Button::Edit) = makeButton(CBFRM, "EditPB", QStringLiteral("Edit"), 855);
  button(Button::Paste) = makeButton(CBFRM, "PastePB", QStringLiteral("Paste"), 855);
  button(Button::Add) = makeButton(CBFRM, "AddPB", QStringLiteral("Add"), 855);
  button(Button::MoveTo) = makeButton(CBFRM, "MoveToPB", QStringLiteral("Move To"), 975);
  button(Button::Xref) = makeButton(CBFRM, "XrefPB", QStringLiteral("Xref"), 975);
  button(Button::EditSeq) = makeButton(CBFRM, "EditSeq", QStringLiteral("Edit Seq"), 855);
  button(Button::Copy) = makeButton(CBFRM, "CopyPB", QStringLiteral("Copy"), 855);
  button(Button::Delete) = makeButton(CBFRM, "DelPB", QStringLiteral("Delete"), 855);
  button(Button::MoveFrom) = makeButton(CBFRM, "MoveFromPB", QStringLiteral("Move From"), 975);
  button(Button::ViewPlb) = makeButton(CBFRM, "PLBEditPB", QStringLiteral("View PLB"), 975);
  for (int i = 0; i < kButtonCount; ++i) {
    QPushButton* b = buttons[static_cast<std::size_t>(i)];
    buttonGrid->addWidget(b, i / 5, i % 5);
  }
  treeBox->addLayout(buttonGrid);
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
  QWidget::setTabOrder(CPListCBO, CmpCBO);
  QWidget::setTabOrder(CmpCBO, FilterTB);
  QWidget::setTabOrder(FilterTB, TreeView1);
  QWidget* previous = TreeView1;
  for (QPushButton* b : buttons) {
    QWidget::setTabOrder(previous, b);
    previous = b;
  }
  form->setCentralWidget(central);

  auto* find = new QAction(form);
  find->setObjectName(QStringLiteral("FindBlockShortcut"));
  find->setShortcut(QKeySequence::Find);
  form->addAction(find);
  connect(find, &QAction::triggered, FilterTB, [this] {
    if (!CBFRM->isVisible()) return;
    FilterTB->setFocus(Qt::ShortcutFocusReason);
    FilterTB->selectAll();
  });
}

void Form1::Ui::buildStatusBar(Form1* form) {
  auto* bar = form->statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  bar->setSizeGripEnabled(false);
  const int stretch[3] = {2, 1, 4};
  for (int i = 0; i < 3; ++i) {
    panels[i] = new QLabel(bar);
    panels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
    // A screen reader reads the panel's text as its name; which panel it is goes in the
    // description, so that the name does not hide the text.
    panels[i]->setAccessibleDescription(QStringLiteral("Status panel %1").arg(i + 1));
    panels[i]->setFrameShape(QFrame::StyledPanel);
    panels[i]->setFrameShadow(QFrame::Sunken);
    panels[i]->setMinimumWidth(60);
    bar->addPermanentWidget(panels[i], stretch[i]);
  }
}

Form1::Form1(QWidget* parent) : QMainWindow(parent), ui_(std::make_unique<Ui>()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Windows Based Tarvolink"));
  ui_->buildMenus(this);
  ui_->buildCentral(this);
  ui_->buildStatusBar(this);
  setMenuShown(Menu::List, false);
  setMenuShown(Menu::CpUtilities, false);
  resize(twipsToPx(5415 + 2 * 240) + 20, twipsToPx(8175) + 90);
}

Form1::~Form1() = default;

void Form1::updStatBar(const QString& message, int barIdx) {
  switch (barIdx) {
    case 1: ui_->panels[0]->setText(QStringLiteral("Host: ") + message); break;
    case 2: ui_->panels[1]->setText(QStringLiteral("CP: ") + message.left(6)); break;
    case 3: ui_->panels[2]->setText(message); break;
    default: break;
  }
}

QString Form1::panelText(int barIdx) const {
  if (barIdx < 1 || barIdx > 3) return {};
  return ui_->panels[barIdx - 1]->text();
}

QString Form1::sessionCp() const {
  return panelText(2).mid(4, 6);
}

QAction* Form1::action(Command command) const {
  return ui_->command(command);
}

QPushButton* Form1::button(Button button) const {
  return ui_->button(button);
}

void Form1::setCommandVisible(Command command, bool visible) {
  // A hidden action is disabled with it, shortcut included.
  ui_->command(command)->setVisible(visible);
}

void Form1::setCommandEnabled(Command command, bool enabled) {
  ui_->command(command)->setEnabled(enabled);
}

bool Form1::isCommandChecked(Command command) const {
  return ui_->command(command)->isChecked();
}

void Form1::setMenuShown(Menu menu, bool shown) {
  QMenu* m = ui_->menus[static_cast<int>(menu)];
  m->menuAction()->setVisible(shown);
  // The items' shortcuts live on the window: without this they would still fire from a
  // menu the user cannot see, e.g. a block list request with no session open.
  for (QAction* action : m->actions()) action->setEnabled(shown);
}

void Form1::setButtonEnabled(Button button, bool enabled) {
  ui_->button(button)->setEnabled(enabled);
}

bool Form1::isButtonEnabled(Button button) const {
  // The button's own state: a CP utility disables the whole window for a while.
  return ui_->button(button)->isEnabledTo(this);
}

void Form1::setButtonVisible(Button button, bool visible) {
  ui_->button(button)->setVisible(visible);
}

void Form1::showListsFrame(bool shown) {
  ui_->CPFRM->setVisible(shown);
}

void Form1::showTreeFrame(bool shown) {
  ui_->CBFRM->setVisible(shown);
}

bool Form1::isTreeFrameShown() const {
  return ui_->CBFRM->isVisible();
}

void Form1::hideLists(bool hide) {
  ui_->CPListCBO->setVisible(!hide);
  ui_->CmpCBO->setVisible(!hide);
  ui_->OrLBL->setVisible(!hide);
}

void Form1::setAlwaysOnTop(bool onTop) {
  ui_->command(Command::AlwaysOnTop)->setChecked(onTop);
  if (onTop == isAlwaysOnTop()) return;
  const bool wasVisible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  // Changing a window flag hides the window; bring it back where it was.
  if (wasVisible) show();
}

bool Form1::isAlwaysOnTop() const {
  return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

QComboBox* Form1::cpList() const {
  return ui_->CPListCBO;
}

QComboBox* Form1::compoundList() const {
  return ui_->CmpCBO;
}

QTreeWidget* Form1::treeView() const {
  return ui_->TreeView1;
}

QLineEdit* Form1::filterField() const {
  return ui_->FilterTB;
}

void Form1::closeEvent(QCloseEvent* event) {
  emit unloading();
  emit unloaded();
  event->accept();
}

}  // namespace tarvo::browser
