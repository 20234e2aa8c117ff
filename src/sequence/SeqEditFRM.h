#pragma once
// The sequence editor window of one block: the text box that holds the source, the listing
// or a progress text, the row of work buttons, the block's name and the upload progress
// bar. While it holds the source, the text box numbers its lines and the caret's line and
// column stand beside the block's name; the source and the listing can be searched (Ctrl+F,
// F3, Shift+F3). What the buttons do is the controller's business; the window paints the
// state of its controls and says when it closes.
#include <QString>

#include "sequence/editor_controls.h"
#include "ui/LineAppender.h"
#include "ui/ToolWindow.h"

class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;

namespace tarvo {
class NumberedTextEdit;
class TextFinder;
}  // namespace tarvo

namespace tarvo::sequence {

class SeqEditFRM : public ToolWindow {
  Q_OBJECT

 public:
  // The block and its type are fixed for the window's life; every command names them.
  SeqEditFRM(const QString& blockName, const QString& blockType, QWidget* owner = nullptr);
  ~SeqEditFRM() override;

  const QString blockName;
  const QString blockType;

  // The shown and enabled states; paint() puts them on screen.
  EditorControls controls;
  void paint();

  // The text box's text, filled from reply lines. Read it through text() (or flush()).
  LineAppender& lines() { return *lines_; }
  // The text as typed: line breaks as U+2029 and every character as it stands (the box's
  // plain text would turn a no-break space into a blank).
  QString rawText();
  // Puts the caret at the end of the text and scrolls there.
  void caretToEnd();
  // The source's lines, counted as Go to Line counts them (an empty text has one).
  int lineCount();
  int caretLine() const;
  // Puts the caret at the start of `line` (from 1, kept within the text) and shows it.
  void goToLine(int line);
  // The upload progress bar: its range (0 to `maximum`) and where it stands.
  void setProgressRange(int maximum);
  void setProgress(int value);

 signals:
  // The work buttons: Edit, Save, Compile, Done, View Listing, Cancel.
  void fetchRequested();
  void saveRequested();
  void compileRequested();
  void installRequested();
  void listingRequested();
  void cancelRequested();
  // Ctrl+G while the source is shown: the controller asks for the line.
  void goToLineRequested();

 public slots:
  // Escape does nothing here: closing the editor would throw away what was typed.
  void reject() override {}

 private:
  void buildControls();
  QWidget* buildFindBar();
  void showCaret();
  void closeFindBar();

  NumberedTextEdit* SourceTB;
  QPushButton* EditPB;
  QPushButton* CompilePB;
  QPushButton* ListingPB;
  QLabel* Label1;
  QLabel* CaretLBL;
  QPushButton* EditSvPB;
  QPushButton* DonePB;
  QPushButton* CancelPB;
  QProgressBar* ProgressBar1;
  QWidget* FindFRM;
  QLineEdit* FindTB;
  QLabel* FindInfoLBL;
  QAction* goToLine_;
  TextFinder* finder_ = nullptr;
  LineAppender* lines_ = nullptr;  // owned by the text box
};

}  // namespace tarvo::sequence
