#pragma once
// The server options dialog: ten server entries, the one in use and the auto-connect flag,
// read from and written to the settings file. It is an ordinary window, not a modal one.
#include <QString>
#include <array>

#include "ui/ToolWindow.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tarvo {
class Prompter;

class frmOptions : public ToolWindow {
  Q_OBJECT

 public:
  frmOptions(QString settingsPath, Prompter& prompter);

  // Writes the file; false (after telling the user) when it cannot be written.
  bool apply();
  int selectedIndex() const { return selected_; }

 signals:
  // The settings were written.
  void applied();

 private:
  void load();

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
  QString settingsPath_;
  Prompter& prompter_;
  QButtonGroup* group_;
  int selected_ = 0;
};

}  // namespace tarvo
