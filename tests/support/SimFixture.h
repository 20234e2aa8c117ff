#pragma once
// Clients against tarvo-sim running in the test's own process, on a free loopback port.
// Header only: just the end-to-end tests link the simulator.
#include "sim/sim_app.h"
#include "support/ClientFixture.h"

namespace tarvo::test {

// The first row of `list` that starts with `start`, or -1.
inline int rowOf(QComboBox* list, const QString& start) {
  for (int i = 0; i < list->count(); ++i)
    if (list->itemText(i).startsWith(start)) return i;
  return -1;
}

class SimFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    sim::SimOptions options;
    options.port = 0;
    options.workMs = 50;
    options.xrefMsPerBlock = 20;  // a generation over a few polls, not a few seconds
    QString error;
    ASSERT_TRUE(sim.start(options, &error)) << error.toStdString();
    writeSettings(dir.filePath(QStringLiteral("TarvoIp.txt")), QStringLiteral("127.0.0.1"),
                  QString::number(sim.port()));
  }

  // A started client, connected, with both lists shown.
  std::unique_ptr<Client> newClient(ScriptedPrompter& p) {
    auto c = std::make_unique<Client>(p, dir.filePath(QStringLiteral("TarvoIp.txt")));
    c->start();
    control<QAction>(*c, "SessionNewMP")->trigger();
    EXPECT_TRUE(waitUntil([&] { return control<QGroupBox>(*c, "CPFRM")->isVisible(); }));
    return c;
  }

  // Picks the CP row and waits for the tree (or for a box).
  void openCp(Client& c, ScriptedPrompter& p, const QString& cp) {
    QComboBox* list = control<QComboBox>(c, "CPListCBO");
    ASSERT_TRUE(waitUntil([&] { return rowOf(list, cp) >= 0; })) << cp.toStdString();
    const auto boxes = p.shown.size();
    emit list->activated(rowOf(list, cp));
    ASSERT_TRUE(waitUntil(
        [&] { return control<QGroupBox>(c, "CBFRM")->isVisible() || p.shown.size() > boxes; }));
  }

  sim::SimInstance sim{[](const std::string&) {}};
  QTemporaryDir dir;
  ScriptedPrompter prompter;
};

}  // namespace tarvo::test
