#pragma once
// The main window as a view: menus, the two frames with the lists and the block tree, the
// ten block buttons and the three-panel status bar. Controllers drive it; the only logic
// here is what belongs to the window itself (status panels, "Always On Top").
#include <QMainWindow>
#include <QString>
#include <array>
#include <cstdint>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;

namespace tarvo::browser {

class Form1 : public QMainWindow {
  Q_OBJECT

 public:
  explicit Form1(QWidget* parent = nullptr);

  // Status panel 1 reads "Host: " + message, panel 2 "CP: " + the first 6 characters of
  // message, panel 3 the message itself; any other index changes nothing.
  void updStatBar(const QString& message, int barIdx);
  QString panelText(int barIdx) const;

  // The CP of the open session, as characters 5 to 10 of panel 2.
  QString sessionCp() const;

  // Shows (false) or hides (true) the CP list, the compound list and the "OR" label.
  void hideLists(bool hide);

  void setAlwaysOnTop(bool onTop);
  void toggleAlwaysOnTop();
  bool isAlwaysOnTop() const;

  // Menus
  QMenu* Session;
  QAction* SessionNewMP;
  QAction* SessionCloseMP;
  QMenu* SetOptions;
  QAction* AlwaysOnTopMP;
  QAction* serverMP;
  QAction* xrefMP;
  QAction* SessionExitMP;
  QMenu* ListMenu;
  QAction* RefreshListMP;
  QAction* ShowEcbsMP;
  QMenu* CPUtilitiesMenu;
  QAction* UploadCPMP;
  QAction* CheckpointCPMP;
  QAction* InitializeCPMP;
  QMenu* Help;
  QAction* About;

  // Lists
  QGroupBox* CPFRM;
  QComboBox* CPListCBO;
  QLabel* OrLBL;
  QComboBox* CmpCBO;

  // Block tree and its buttons
  QGroupBox* CBFRM;
  QTreeWidget* TreeView1;
  QPushButton* EditPB;
  QPushButton* PastePB;
  QPushButton* AddPB;
  QPushButton* MoveToPB;
  QPushButton* XrefPB;
  QPushButton* EditSeq;
  QPushButton* CopyPB;
  QPushButton* DelPB;
  QPushButton* MoveFromPB;
  QPushButton* PLBEditPB;

  QLabel* Label1;

  // Shared state of the main window that several subsystems read and write.
  QString HostIP;
  int PortNum = 0;
  int AutoConn = 0;
  std::int32_t editWindowCnt = 0;
  QString clientVersion;
  QString serverVersion = QStringLiteral("?.?.?");
  QString localHostName;
  QString currSelBlk;
  QString currSelTyp;
  bool currIsSeq = false;
  bool currIsPLB = false;

  // Lists the ten block buttons in their on-screen order (top row, then bottom row).
  std::array<QPushButton*, 10> blockButtons() const;

 signals:
  // The window is being closed (close box or Exit); the program is about to end.
  void unloading();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  void buildCentral();
  QLabel* panels_[3];
};

}  // namespace tarvo::browser
