// Test programs that need Qt run their tests inside one QApplication, offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

namespace {

QtMessageHandler standardHandler = nullptr;

// The offscreen platform reports every window hint it ignores; that is noise here.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& msg) {
  if (msg.startsWith(QLatin1String("This plugin does not support"))) return;
  if (standardHandler) standardHandler(type, context, msg);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  standardHandler = qInstallMessageHandler(quietHandler);
  QApplication app(argc, argv);
  // What the programs keep in the user's folders (the change journal) goes to a test area.
  QStandardPaths::setTestModeEnabled(true);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
