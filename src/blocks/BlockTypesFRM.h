#pragma once
// The block type chooser: a list of the types the server offers for a new block, with OK and
// Cancel. It is made once and only hidden afterwards, so the list the server sent stays in it
// between uses; the window stays above all others while shown.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <memory>

class QComboBox;
class QPushButton;

namespace Ui {
class BlockTypesFRM;
}

namespace tarvo::blocks {

class BlockTypesFRM : public QDialog {
  Q_OBJECT

 public:
  explicit BlockTypesFRM(QWidget* parent = nullptr);
  ~BlockTypesFRM() override;

  void clearTypes();
  void addType(const QString& type);
  QStringList types() const;
  // The type shown in the list ("" when the list is empty).
  QString chosenType() const;

  // Shows the window, or brings it forward when it is shown already.
  void showChooser();

 signals:
  // OK, or Enter typed in the list: the caller decides whether the type is taken.
  void okRequested(const QString& type);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<Ui::BlockTypesFRM> ui_;
  QComboBox* BlockTypesCB;
  QPushButton* OKButton;
  QPushButton* CancelButton;
};

}  // namespace tarvo::blocks
