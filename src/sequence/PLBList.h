#pragma once
// The listing window of a PLB: the listing in a text box and an OK button that closes the
// window. One window serves every listing; a new one replaces the text and the caption.
#include <QString>
#include <QStringView>

#include "ui/ToolWindow.h"

class QPlainTextEdit;
class QPushButton;

namespace tarvo {
class LineAppender;
}

namespace tarvo::sequence {

class PLBList : public ToolWindow {
  Q_OBJECT

 public:
  explicit PLBList(QWidget* owner = nullptr);
  ~PLBList() override;

  // A listing begins: the box is emptied and off until the listing is complete.
  void startListing(const QString& name);
  // One line, shown with one blank before it.
  void addLine(QStringView line);
  void listingComplete();
  // The text with every line received so far.
  QString text();

 private:
  QPlainTextEdit* SourceTB;
  QPushButton* OK_PB;
  LineAppender* lines_;  // owned by the text box
};

}  // namespace tarvo::sequence
