#pragma once
// The listing window of a PLB: the listing in a text box and an OK button that closes the
// window. One window serves every listing; a new one replaces the text and the caption.
#include <QDialog>
#include <QString>
#include <QStringView>

class QPlainTextEdit;
class QPushButton;

namespace tarvo {
class LineAppender;
}

namespace tarvo::sequence {

class PLBList : public QDialog {
  Q_OBJECT

 public:
  explicit PLBList(QWidget* parent = nullptr);
  ~PLBList() override;

  // A listing begins: the box is emptied and off until the listing is complete.
  void startListing(const QString& name);
  // One line, shown with one blank before it.
  void addLine(QStringView line);
  void listingComplete();
  // The text with every line received so far.
  QString text();

  QPlainTextEdit* SourceTB;
  QPushButton* OK_PB;

 private:
  LineAppender* lines_;  // owned by the text box
};

}  // namespace tarvo::sequence
