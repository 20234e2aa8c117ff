#pragma once
// The cross-reference's three windows: the setup window (the three lists, the generation
// and its output, the poll timer), the editor of one list, and one block's listing. Each is
// a window of its own that is destroyed when it closes; what its buttons make go on the
// wire is the controller's business, reached through the buttons and the signals below.
#include <QDialog>
#include <QString>
#include <QStringView>

#include "ui/LineAppender.h"

class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace tarvo::xref {

// A non-modal window that says once that it is closing, whichever way it is closed (its
// buttons, its close box, Escape, the program ending), and is then deleted.
class XrefWindow : public QDialog {
  Q_OBJECT

 public:
  explicit XrefWindow(const char* name);

 signals:
  void unloading();

 public slots:
  void reject() override;  // Escape closes the window

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool unloaded_ = false;
};

// "Cross Reference Setup".
class XrefOptionsFRM : public XrefWindow {
  Q_OBJECT

 public:
  static constexpr int kPollMs = 3000;

  XrefOptionsFRM();

  // A line of the generation's output goes at the end of StatusTB, and the caret follows
  // it there so the newest line is in view.
  void appendOutput(QStringView line);
  QString outputText() { return output_.text(); }
  // A generation has started: neither the lists nor a second run can be started.
  void lockConfiguration();

  QGroupBox* ConfigFRM = nullptr;
  QPushButton* CPPB = nullptr;
  QPushButton* DispsPB = nullptr;
  QPushButton* histsPB = nullptr;
  QPlainTextEdit* StatusTB;
  QPushButton* CreatePB = nullptr;
  QPushButton* CancelPB = nullptr;
  QTimer* Timer1 = nullptr;  // runs from the window's opening until it closes

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void caretToEnd();

  LineAppender output_;
  bool caretPending_ = false;
};

// The editor of one setup list; its title names the list.
class XrefOptionsBoxFRM : public XrefWindow {
  Q_OBJECT

 public:
  XrefOptionsBoxFRM();

  // A list is arriving: its lines go after what the box shows, which can be neither edited
  // nor sent until the list is complete.
  void startFilling();
  void appendLine(QStringView line);
  void finishFilling();
  // What the box shows, one paragraph per line.
  QString text() { return entries_.text(); }

  QPlainTextEdit* CfgTB;
  QPushButton* OKPB = nullptr;
  QPushButton* CancelPB = nullptr;

 signals:
  void okRequested();

 private:
  LineAppender entries_;
};

// "Cross-Reference Listing": the cross-reference of one block.
class XrefFRM : public XrefWindow {
  Q_OBJECT

 public:
  XrefFRM();

  void startListing();  // emptied, and disabled while the listing arrives
  void appendLine(QStringView line);
  void finishListing();
  void showNoListing();
  QString text() { return listing_.text(); }

  QPlainTextEdit* SourceTB;
  QPushButton* OK_PB = nullptr;

 private:
  LineAppender listing_;
};

}  // namespace tarvo::xref
