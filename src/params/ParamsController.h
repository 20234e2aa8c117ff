#pragma once
// Parameter editing: asking for a block's parameters, the editor windows that the list
// replies fill, what OK, Cancel and closing an editor send, and the server's answers to a
// modification.
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "params/param_protocol.h"

class QWidget;

namespace tarvo {
class Prompter;
namespace link {
class CommandSender;
}
namespace browser {
class Form1;
class TreeController;
}  // namespace browser
namespace params {

class ParmEditFRM;

class ParamsController : public QObject {
  Q_OBJECT

 public:
  // Editors are windows of their own that stay above `owner` (the main window) without
  // being its children, so locking the main window leaves them usable.
  ParamsController(QWidget* owner, browser::Form1& form, browser::TreeController& tree,
                   link::CommandSender& sender, Prompter& prompter);
  ~ParamsController() override;

  // "Edit" (and a double click on a block in the tree): asks for the selected block's
  // parameters.
  void edit();

  void onClrPrmLst();
  void onPrmLst(std::string_view line);
  void onDnPrmLst();
  void onErrPrmLst(std::string_view line);
  void onErrPrmMod(std::string_view line);
  void onWrnPrmMod(std::string_view line);
  void onDnPrmMod(std::string_view line);

  // The connection was made or lost: answers to modifications sent before will not come,
  // nor the rest of a parameter list.
  void connectionReset();
  // The program is ending: every editor, shown or still loading, is unloaded.
  void unloadAll();

  // The newest editor, which the list replies fill; null once it has closed.
  ParmEditFRM* parmEditor() const;
  // Cascade position of the next editor.
  std::int32_t editWindowCnt() const { return editWindowCnt_; }
  // Modifications sent and not yet answered.
  std::size_t outstandingEdits() const { return outstanding_.size(); }

 private:
  void ok(ParmEditFRM* editor);
  void cancel(ParmEditFRM* editor);
  void unload(ParmEditFRM* editor);
  // Writes the editor's grid to a CSV file the user picks.
  void exportGrid(ParmEditFRM* editor);
  // The block an answer to a modification is about.
  QString answeredBlock();
  void focusTree();

  QWidget* owner_;
  browser::Form1& form_;
  browser::TreeController& tree_;
  link::CommandSender& sender_;
  Prompter& prompter_;
  QPointer<ParmEditFRM> parmEditor_;
  QList<QPointer<ParmEditFRM>> editors_;  // every editor not yet unloaded
  std::int32_t editWindowCnt_ = 0;
  OutstandingEdits outstanding_;
};

}  // namespace params
}  // namespace tarvo
