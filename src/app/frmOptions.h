#pragma once
// The server options dialog: ten server entries, the one in use and the auto-connect flag,
// read from and written to the settings file. It is an ordinary window, not a modal one.
#include <QMainWindow>
#include <QString>
#include <array>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tarvo {
class Prompter;

// A QMainWindow, not a bare QWidget: Qt gives a bare QWidget window the accessible role of a
// client area ("filler" on AT-SPI), which a screen reader does not announce as a window.
class frmOptions : public QMainWindow {
  Q_OBJECT

 public:
  frmOptions(QString settingsPath, Prompter& prompter, QWidget* parent = nullptr);

  // Writes the file; false (after telling the user) when it cannot be written.
  bool apply();
  int selectedIndex() const { return selected_; }

  QLabel* Label3;
  QLabel* SettingsPathLBL;  // which file the dialog reads and writes
  QLabel* HostIP_LBL;
  QLabel* Label2;
  std::array<QRadioButton*, 10> Option1;
  std::array<QLineEdit*, 10> HostIP_TB;
  std::array<QLineEdit*, 10> PortNumTB;
  QCheckBox* AutoConnCB;
  QLabel* Label1;
  QPushButton* cmdOK;
  QPushButton* cmdCancel;
  QPushButton* cmdApply;

 signals:
  // The dialog has closed, whichever way; the main window shows itself again.
  void finished();
  // The settings were written.
  void applied();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void load();

  QString settingsPath_;
  Prompter& prompter_;
  QButtonGroup* group_;
  int selected_ = 0;
};

}  // namespace tarvo
