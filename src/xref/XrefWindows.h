#pragma once
// The cross-reference's three windows: the setup window (the three lists, the generation
// and its output, the poll timer), the editor of one list, and one block's listing. Each is
// a window of its own that is destroyed when it closes; what its buttons make go on the
// wire is the controller's business, reached through the buttons and the signals below.
#include <QString>
#include <QStringView>

#include "ui/LineAppender.h"
#include "ui/ToolWindow.h"

class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace tarvo {
class RunIndicator;
}  // namespace tarvo

namespace tarvo::xref {

// "Cross Reference Setup".
class XrefOptionsFRM : public ToolWindow {
  Q_OBJECT

 public:
  static constexpr int kPollMs = 3000;

  XrefOptionsFRM();

  // A line of the generation's output goes at the end of StatusTB, and the caret follows
  // it there so the newest line is in view.
  void appendOutput(QStringView line);
  QString outputText() { return output_.text(); }
  // A generation has started: neither the lists nor a second run can be started, and
  // the busy bar and the time since the start ("Generation running, 01:23") are shown.
  void runStarted();
  // The generation has ended, or the connection that would have told its end is gone:
  // the bar and the time stop. Closing the window stops them too.
  enum class RunEnd { Finished, ConnectionLost };
  void runEnded(RunEnd how);

 signals:
  // The list buttons: the CP/volume names, the display directories, the historians.
  void cpListRequested();
  void displayListRequested();
  void historianListRequested();
  // "Create Xref".
  void createRequested();
  // A tick of the poll timer, which runs from the window's opening until it closes.
  void pollDue();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void caretToEnd();

  QGroupBox* ConfigFRM = nullptr;
  QPushButton* CPPB = nullptr;
  QPushButton* DispsPB = nullptr;
  QPushButton* histsPB = nullptr;
  QPlainTextEdit* StatusTB;
  QPushButton* CreatePB = nullptr;
  QPushButton* CancelPB = nullptr;
  QTimer* Timer1 = nullptr;
  RunIndicator* RunIndicator1 = nullptr;
  LineAppender output_;
  bool caretPending_ = false;
};

// The editor of one setup list; its title names the list.
class XrefOptionsBoxFRM : public ToolWindow {
  Q_OBJECT

 public:
  explicit XrefOptionsBoxFRM(QWidget* owner);

  // A list is arriving: its lines go after what the box shows, which can be neither edited
  // nor sent until the list is complete.
  void startFilling();
  void appendLine(QStringView line);
  void finishFilling();
  // Empties the box for a list of another letter.
  void clearList() { entries_.clear(); }
  // What the box shows, one paragraph per line.
  QString text() { return entries_.text(); }

 signals:
  void okRequested();

 private:
  QPlainTextEdit* CfgTB;
  QPushButton* OKPB = nullptr;
  QPushButton* CancelPB = nullptr;
  LineAppender entries_;
};

// "Cross-Reference Listing": the cross-reference of one block.
class XrefFRM : public ToolWindow {
  Q_OBJECT

 public:
  explicit XrefFRM(QWidget* owner);

  void startListing();  // emptied, and disabled while the listing arrives
  void appendLine(QStringView line);
  void finishListing();
  void showNoListing();
  QString text() { return listing_.text(); }

 private:
  QPlainTextEdit* SourceTB;
  QPushButton* OK_PB = nullptr;
  LineAppender listing_;
};

}  // namespace tarvo::xref
