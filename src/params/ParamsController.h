#pragma once
// Parameter editing: asking for a block's parameters, the editor windows that the list
// replies fill, what OK, Cancel and closing an editor send, and the server's answers to a
// modification.
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstddef>
#include <string_view>

#include "params/param_protocol.h"

namespace tarvo {
class Client;
namespace params {

class ParmEditFRM;

class ParamsController : public QObject {
  Q_OBJECT

 public:
  explicit ParamsController(Client& client);
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

  // The newest editor, which the list replies fill; null once it has closed.
  ParmEditFRM* parmEditor() const;
  // Modifications sent and not yet answered.
  std::size_t outstandingEdits() const { return outstanding_.size(); }

 private:
  void ok(ParmEditFRM* editor);
  void cancel(ParmEditFRM* editor);
  void unload(ParmEditFRM* editor);
  // The block an answer to a modification is about.
  QString answeredBlock();
  void focusTree();

  Client& client_;
  QPointer<ParmEditFRM> parmEditor_;
  OutstandingEdits outstanding_;
};

}  // namespace params
}  // namespace tarvo
