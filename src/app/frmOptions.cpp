#include "app/frmOptions.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include "link/Wire.h"
#include "records/RegularFile.h"
#include "records/settings_file.h"
#include "ui/Prompter.h"
#include "ui/ui_helpers.h"

namespace tarvo {

using namespace records;

frmOptions::frmOptions(QString settingsPath, Prompter& prompter)
    : ToolWindow("frmOptions", QStringLiteral("Options")),
      settingsPath_(std::move(settingsPath)),
      prompter_(prompter) {
  setSizeGripEnabled(false);

  auto* layout = new QVBoxLayout(this);
  Label3 = new QLabel(QStringLiteral("Tarvo Server Setup"), this);
  Label3->setObjectName(QStringLiteral("Label3"));
  QFont heading = Label3->font();
  heading.setBold(true);
  heading.setPointSize(12);
  Label3->setFont(heading);
  layout->addWidget(Label3);
  // The file may be beside the program or in the user's folder: say which one this is.
  const QString shownPath = QDir::toNativeSeparators(settingsPath_);
  SettingsPathLBL = new QLabel(QStringLiteral("Settings file: ") + shownPath, this);
  SettingsPathLBL->setObjectName(QStringLiteral("SettingsPathLBL"));
  SettingsPathLBL->setToolTip(shownPath);
  SettingsPathLBL->setTextInteractionFlags(Qt::TextSelectableByMouse);
  SettingsPathLBL->setTextFormat(Qt::PlainText);
  layout->addWidget(SettingsPathLBL);

  auto* rows = new QGridLayout;
  HostIP_LBL = new QLabel(QStringLiteral("Host or IP Address"), this);
  HostIP_LBL->setObjectName(QStringLiteral("HostIP_LBL"));
  Label2 = new QLabel(QStringLiteral("Port Number"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  rows->addWidget(HostIP_LBL, 0, 1);
  rows->addWidget(Label2, 0, 2);
  group_ = new QButtonGroup(this);
  QWidget* previous = nullptr;
  for (int i = 0; i < kServerEntries; ++i) {
    const auto n = static_cast<std::size_t>(i);
    Option1[n] = new QRadioButton(this);
    Option1[n]->setObjectName(QStringLiteral("Option1_%1").arg(i));
    Option1[n]->setAccessibleName(QStringLiteral("Use server entry %1").arg(i + 1));
    group_->addButton(Option1[n], i);
    HostIP_TB[n] = new QLineEdit(this);
    HostIP_TB[n]->setObjectName(QStringLiteral("HostIP_TB_%1").arg(i));
    HostIP_TB[n]->setAccessibleName(QStringLiteral("Host or IP Address %1").arg(i + 1));
    HostIP_TB[n]->setMinimumWidth(twipsToPx(3000));
    PortNumTB[n] = new QLineEdit(this);
    PortNumTB[n]->setObjectName(QStringLiteral("PortNumTB_%1").arg(i));
    PortNumTB[n]->setAccessibleName(QStringLiteral("Port Number %1").arg(i + 1));
    PortNumTB[n]->setMaximumWidth(twipsToPx(1200));
    rows->addWidget(Option1[n], i + 1, 0);
    rows->addWidget(HostIP_TB[n], i + 1, 1);
    rows->addWidget(PortNumTB[n], i + 1, 2);
    // Row by row: the option button, the host, the port.
    for (QWidget* w : {static_cast<QWidget*>(Option1[n]), static_cast<QWidget*>(HostIP_TB[n]),
                       static_cast<QWidget*>(PortNumTB[n])}) {
      if (previous) setTabOrder(previous, w);
      previous = w;
    }
  }
  group_->setExclusive(true);
  connect(group_, &QButtonGroup::idClicked, this, [this](int id) { selected_ = id; });
  layout->addLayout(rows);

  auto* autoRow = new QHBoxLayout;
  AutoConnCB = new QCheckBox(this);
  AutoConnCB->setObjectName(QStringLiteral("AutoConnCB"));
  AutoConnCB->setAccessibleName(QStringLiteral("Auto Connect to Server at Startup"));
  Label1 = new QLabel(QStringLiteral("Auto Connect to Server at Startup"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setBuddy(AutoConnCB);
  autoRow->addWidget(AutoConnCB);
  autoRow->addWidget(Label1, 1);
  layout->addLayout(autoRow);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  cmdApply = new QPushButton(QStringLiteral("Apply"), this);
  cmdApply->setObjectName(QStringLiteral("cmdApply"));
  for (QPushButton* b : {cmdOK, cmdCancel, cmdApply}) buttons->addWidget(b);
  layout->addLayout(buttons);
  setTabOrder(previous, AutoConnCB);
  setTabOrder(AutoConnCB, cmdOK);
  setTabOrder(cmdOK, cmdCancel);
  setTabOrder(cmdCancel, cmdApply);

  connect(cmdApply, &QPushButton::clicked, this, [this] { apply(); });
  connect(cmdOK, &QPushButton::clicked, this, [this] {
    if (apply()) close();
  });
  connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);

  load();
}

void frmOptions::load() {
  QFile file(settingsPath_);
  if (!openRegularFile(file, QIODevice::ReadOnly)) return;
  const QByteArray bytes = file.read(64 * 1024);
  const SettingsRead read =
      parseSettings(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (!read.headerRead) return;
  selected_ = read.file.selected;
  for (int i = 0; i < read.entriesRead; ++i) {
    const auto& entry = read.file.entries[static_cast<std::size_t>(i)];
    HostIP_TB[static_cast<std::size_t>(i)]->setText(link::fromWire(entry.host));
    PortNumTB[static_cast<std::size_t>(i)]->setText(link::fromWire(entry.port));
  }
  // A file that stopped part-way selects nothing and leaves the box clear.
  if (!read.complete()) return;
  if (selected_ >= 0 && selected_ < kServerEntries)
    Option1[static_cast<std::size_t>(selected_)]->setChecked(true);
  AutoConnCB->setChecked(read.file.autoConnect != 0);
}

bool frmOptions::apply() {
  SettingsFile settings;
  settings.autoConnect = AutoConnCB->isChecked() ? 1 : 0;
  settings.selected = selected_;
  for (int i = 0; i < kServerEntries; ++i) {
    const auto n = static_cast<std::size_t>(i);
    // The file quotes every text and has no escape for a quote: drop any the user typed.
    settings.entries[n].host =
        HostIP_TB[n]->text().remove(QLatin1Char('"')).toLatin1().toStdString();
    settings.entries[n].port =
        PortNumTB[n]->text().remove(QLatin1Char('"')).toLatin1().toStdString();
  }
  const std::string text = formatSettings(settings);
  // The user's configuration folder does not exist before the first save.
  QDir().mkpath(QFileInfo(settingsPath_).absolutePath());
  QSaveFile file(settingsPath_);
  // Saving would put a file in the place of a FIFO or a device the user set there.
  const QString irregular = irregularFileReason(settingsPath_);
  if (irregular.isEmpty() && file.open(QIODevice::WriteOnly) &&
      file.write(text.data(), static_cast<qint64>(text.size())) ==
          static_cast<qint64>(text.size()) &&
      file.commit()) {
    emit applied();
    return true;
  }
  prompter_.inform(Prompter::Icon::Exclamation, QStringLiteral("Options"),
                   QStringLiteral("The settings could not be saved to %1:\r%2")
                       .arg(QDir::toNativeSeparators(settingsPath_),
                            irregular.isEmpty() ? file.errorString() : irregular));
  return false;
}

}  // namespace tarvo
