#pragma once
// The main window as a view: menus, the two frames with the lists and the block tree, the
// ten block buttons and the three-panel status bar. Its widgets are its own; controllers
// drive it through the operations below, and each connects the commands and buttons it
// answers (action(), button()) itself. The only logic here is what belongs to the window
// itself (status panels, "Always On Top", Exit, menus that act only while shown).
#include <QMainWindow>
#include <QString>
#include <memory>

class QAction;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace tarvo::browser {

class Form1 : public QMainWindow {
  Q_OBJECT

 public:
  // The menu items, each an action with the object name it has on screen.
  enum class Command {
    New,             // SessionNewMP
    Close,           // SessionCloseMP
    AlwaysOnTop,     // AlwaysOnTopMP
    ServerOptions,   // serverMP
    CrossReference,  // xrefMP
    Exit,            // SessionExitMP
    Refresh,         // RefreshListMP
    ShowEcbs,        // ShowEcbsMP
    Upload,          // UploadCPMP
    Checkpoint,      // CheckpointCPMP
    Initialize,      // InitializeCPMP
    ChangeJournal,   // JournalMP
    ProtocolTrace,   // TraceMP
    ExportBlocks,    // ExportBlocksMP, also on the block tree's context menu
    About,           // About (stays last)
  };
  // The menus that come and go with a session.
  enum class Menu { List, CpUtilities };
  // The block buttons, in their on-screen order (top row, then bottom row).
  enum class Button { Edit, Paste, Add, MoveTo, Xref, EditSeq, Copy, Delete, MoveFrom, ViewPlb };
  static constexpr int kButtonCount = 10;

  explicit Form1(QWidget* parent = nullptr);
  ~Form1() override;

  // Status panel 1 reads "Host: " + message, panel 2 "CP: " + the first 6 characters of
  // message, panel 3 the message itself; any other index changes nothing.
  void updStatBar(const QString& message, int barIdx);
  QString panelText(int barIdx) const;
  // The CP of the open session, as characters 5 to 10 of panel 2.
  QString sessionCp() const;

  // A menu item's action, and a block button, for their owners to connect to.
  QAction* action(Command command) const;
  QPushButton* button(Button button) const;

  // Menu items. A hidden item (or one in a hidden menu) is also disabled, so its shortcut
  // does nothing either.
  void setCommandVisible(Command command, bool visible);
  void setCommandEnabled(Command command, bool enabled);
  bool isCommandChecked(Command command) const;
  void setMenuShown(Menu menu, bool shown);

  void setButtonEnabled(Button button, bool enabled);
  // Whether the button is on, leaving aside a window disabled as a whole.
  bool isButtonEnabled(Button button) const;
  void setButtonVisible(Button button, bool visible);

  // The frame with the CP/Vol and compound lists, and the one with the tree and buttons.
  void showListsFrame(bool shown);
  void showTreeFrame(bool shown);
  bool isTreeFrameShown() const;
  // Shows (false) or hides (true) the CP list, the compound list and the "OR" label.
  void hideLists(bool hide);

  void setAlwaysOnTop(bool onTop);
  bool isAlwaysOnTop() const;

  // The lists and the tree are views of their own, filled by their controllers.
  QComboBox* cpList() const;
  QComboBox* compoundList() const;
  QTreeWidget* treeView() const;
  // The search field above the tree (Ctrl+F reaches it).
  QLineEdit* filterField() const;

 signals:
  // The window is being closed (close box or Exit); the program is about to end. First
  // every other window closes, saying to the server what it must; then the connection's
  // owner ends the session and the connection.
  void unloading();
  void unloaded();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Ui;
  std::unique_ptr<Ui> ui_;
};

}  // namespace tarvo::browser
