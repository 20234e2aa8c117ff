#pragma once
// Adding blocks and compounds, copy and paste, move, and delete: the Add, Copy, Paste, Move
// From, Move To and Delete buttons, the block type chooser, the server's block type list,
// and the tree updates and messages that the server's answers bring. The copy source and the
// pending move source are kept here.
#include <QBrush>
#include <QObject>
#include <QString>
#include <memory>
#include <string_view>

class QTreeWidgetItem;

namespace tarvo {
class Prompter;
namespace link {
class CommandSender;
class ReplyRouter;
}  // namespace link
namespace browser {
class Form1;
class TreeController;
}  // namespace browser
namespace blocks {

class BlockTypesFRM;

class BlocksController : public QObject {
  Q_OBJECT

 public:
  // Answers the block buttons (Add, Copy, Paste, Move From, Move To, Delete).
  BlocksController(browser::Form1& form, browser::TreeController& tree, link::CommandSender& sender,
                   Prompter& prompter);
  ~BlocksController() override;

  void bindReplies(link::ReplyRouter& router);

  // The block type chooser, made when first needed and kept (with the server's list).
  BlockTypesFRM& blockTypes();
  // The name typed for the block or compound being added.
  const QString& pendingNewName() const { return pendingNewName_; }
  const QString& moveSrcBlk() const { return moveSrcBlk_; }
  // The background of the node marked as the source of a move.
  static QColor highlightColour() { return QColor(192, 192, 0); }

 private:
  void add();
  void copy();
  void paste();
  void moveFrom();
  void moveTo();
  void deleteBlock();
  // Sends "ADDNEW:" for the pending name with `newType1`; false when it could not go out
  // (the user has been told).
  bool addblock(const QString& newType1);

  void onBlkTypNew();
  void onBlkTyp(std::string_view line);
  void onDnAddNew(std::string_view line);
  void onWrnAddNew(std::string_view line);
  void onErrAddNew(std::string_view line);
  void onDnCpyNew(std::string_view line);
  void onWrnCpyNew(std::string_view line);
  void onErrCpyNew(std::string_view line);
  void onDnMoveBlk(std::string_view line);
  void onWrnMoveBlk(std::string_view line);
  void onErrMoveBlk(std::string_view line);
  void onErrDelBlk(std::string_view line);
  void onWrnDelBlk(std::string_view line);
  void onDnDelBlk(std::string_view line);
  // A new block list replaced the tree.
  void listLoaded();
  // The program is ending: the chooser goes.
  void unload();

  void typeChosen(const QString& type);
  // A typed name: upper-cased, or "" when cancelled, empty or refused (the user is told).
  QString askName(const QString& prompt, const QString& title);

  void added(std::string_view line, bool warned);
  void copied(std::string_view line, bool warned);
  void moved(std::string_view line, bool warned);

  // Inserts the confirmed node before the node `relKey`; null when the tree does not fit
  // the confirmation (no such relative, or the name is there already).
  QTreeWidgetItem* insertConfirmed(const QString& relKey, const QString& name, const QString& text);
  void removeNode(const QString& key);
  // The tree no longer matches the server: says so and asks for the list again.
  void reloadList(const QString& operation, const QString& name);
  void unhighlight();
  void forgetMoveSource();

  void warn(const QString& title, const QString& text);

  browser::Form1& form_;
  browser::TreeController& tree_;
  link::CommandSender& sender_;
  Prompter& prompter_;
  std::unique_ptr<BlockTypesFRM> types_;

  QString pendingNewName_;
  QString copySrcBlk_;
  QString copySrcTyp_;
  QString moveSrcBlk_;
  QString moveSrcTyp_;
  // The node shown as the move source is remembered by its key, not its place, so nodes
  // added or removed before it never take its colour; the background it had before.
  QString highlightKey_;
  QBrush highlightBack_;
};

}  // namespace blocks
}  // namespace tarvo
