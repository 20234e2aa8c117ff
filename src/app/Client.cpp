#include "app/Client.h"

#include <QScreen>

#include "app/LinkController.h"
#include "blocks/BlocksController.h"
#include "browser/Form1.h"
#include "browser/ListsController.h"
#include "browser/TreeController.h"
#include "browser/TreeFilter.h"
#include "icc/CpUtilController.h"
#include "icc/SessionController.h"
#include "link/Connection.h"
#include "params/ParamsController.h"
#include "records/ChangeJournal.h"
#include "sequence/SequenceController.h"
#include "tools/ToolsController.h"
#include "ui/Prompter.h"
#include "xref/XrefController.h"

namespace tarvo {

Client::Client(Prompter& prompter, QString settingsPath, QObject* parent)
    : QObject(parent),
      prompter_(prompter),
      form_(std::make_unique<browser::Form1>()),
      connection_(new link::Connection(this)),
      journal_(new records::ChangeJournal(this)) {
  browser::Form1& f = *form_;
  link::Connection& c = *connection_;
  // cppcheck-suppress useInitializationList
  lists_ = std::make_unique<browser::ListsController>(f);
  tree_ = std::make_unique<browser::TreeController>(f, c, prompter);
  treeFilter_ = std::make_unique<browser::TreeFilter>(f.filterField(), *tree_);
  session_ = std::make_unique<icc::SessionController>(f, *tree_, c, prompter);
  cpUtil_ = std::make_unique<icc::CpUtilController>(f, c, prompter);
  xref_ = std::make_unique<xref::XrefController>(f, *tree_, c, prompter);
  sequence_ = std::make_unique<sequence::SequenceController>(f, *tree_, c, prompter);
  params_ = std::make_unique<params::ParamsController>(f, *tree_, c, prompter);
  blocks_ = std::make_unique<blocks::BlocksController>(f, *tree_, c, prompter);
  tools_ = std::make_unique<tools::ToolsController>(f, *tree_, c, journal_->file(), prompter);
  link_ = std::make_unique<LinkController>(f, c, *session_, prompter, std::move(settingsPath));

  link::ReplyRouter& router = c.router();
  link_->bindReplies(router);
  lists_->bindReplies(router);
  tree_->bindReplies(router);
  session_->bindReplies(router);
  cpUtil_->bindReplies(router);
  params_->bindReplies(router);
  blocks_->bindReplies(router);
  sequence_->bindReplies(router);
  xref_->bindReplies(router);
  wireJournal();
  wireRevert();
}

Client::~Client() {
  // Replies must not reach controllers that are being destroyed.
  connection_->router().clear();
  connection_->disconnect(this);
}

void Client::wireJournal() {
  journal_->watch(*connection_);
  connect(connection_, &link::Connection::connected, journal_,
          [this] { journal_->setServer(link_->hostIp(), static_cast<quint16>(link_->portNum())); });
  // Said once, and only after the handler that was sending has finished: a box opened in
  // the middle of a send would let replies run before the rest of its commands went out.
  connect(
      journal_, &records::ChangeJournal::failed, this,
      [this](const QString& reason) {
        form_->updStatBar(QStringLiteral("Change journal not written: ") + reason, 3);
        prompter_.inform(Prompter::Icon::Exclamation, QStringLiteral("Change Journal"),
                         QStringLiteral("The change journal can not be written:\r") + reason +
                             QStringLiteral("\r\rWork goes on, but changes are not recorded."));
      },
      Qt::QueuedConnection);
}

void Client::wireRevert() {
  // A revert is the journal window's, its check and its sending the parameter editing's,
  // and its journal line the change journal's.
  params::ParamsController* params = params_.get();
  tools::ToolsController* tools = tools_.get();
  connect(tools, &tools::ToolsController::liveValuesWanted, params,
          &params::ParamsController::readLiveValues);
  connect(params, &params::ParamsController::liveValuesRead, tools,
          &tools::ToolsController::liveValuesRead);
  connect(params, &params::ParamsController::liveValuesLost, tools,
          &tools::ToolsController::liveValuesLost);
  connect(tools, &tools::ToolsController::revertChecked, params,
          [this](const std::vector<records::RevertSet>& sets) {
            for (const records::RevertSet& set : sets)
              if (!set.values.empty()) journal_->tracker().expectRevert(set.block, set.note);
            params_->finishReads(sets);
          });
}

void Client::start() {
  link_->load();
  // On a small screen, or at a large scale, the main window starts no larger than the
  // screen's free area (less a title bar), as far as its controls allow.
  if (const QScreen* screen = form_->screen()) {
    const QSize room = screen->availableGeometry().size() - QSize(0, 32);
    form_->resize(form_->size().boundedTo(room).expandedTo(form_->minimumSizeHint()));
  }
  form_->show();
}

}  // namespace tarvo
