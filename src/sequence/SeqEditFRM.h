#pragma once
// The sequence editor window of one block: the text box that holds the source, the listing
// or a progress text, the row of work buttons, the block's name and the upload progress
// bar. What the buttons do is the controller's business; the window paints the state of
// its controls and says when it closes.
//
// A QMainWindow, not a bare QWidget: Qt's accessibility gives a plain QWidget the role of a
// client area even when it is a window of its own (AT-SPI "filler"), so a screen reader
// would not announce it as a window; a QMainWindow reads as a frame with its title as name.
#include <QMainWindow>
#include <QString>

#include "sequence/editor_controls.h"
#include "ui/LineAppender.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace tarvo::sequence {

class SeqEditFRM : public QMainWindow {
  Q_OBJECT

 public:
  // The block and its type are fixed for the window's life; every command names them.
  SeqEditFRM(const QString& blockName, const QString& blockType, QWidget* parent = nullptr);
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

  QPlainTextEdit* SourceTB;
  QPushButton* EditPB;
  QPushButton* CompilePB;
  QPushButton* ListingPB;
  QLabel* Label1;
  QPushButton* EditSvPB;
  QPushButton* DonePB;
  QPushButton* CancelPB;
  QProgressBar* ProgressBar1;

 signals:
  // The window is closing, whichever way; emitted once.
  void unloading();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();

  LineAppender* lines_ = nullptr;  // owned by the text box
  bool unloaded_ = false;
};

}  // namespace tarvo::sequence
