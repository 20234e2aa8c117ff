#pragma once
// A client on a fake server: a settings file in a temporary folder that points at the
// fake server, a scripted prompter, and helpers to connect and feed reply lines.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "app/Client.h"
#include "support/FakeServer.h"
#include "support/ScriptedPrompter.h"

namespace tarvo::test {

// Writes a settings file selecting entry `selected`, whose host and port are given.
void writeSettings(const QString& path, const QString& host, const QString& port,
                   int autoConnect = 0, int selected = 0);

class ClientFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates and starts the client (the main window's load steps run).
  void startClient();
  // Connects to the fake server and waits for the three start-up commands, then forgets
  // them so a test sees only what it causes.
  void connectClient();
  // Plays reply lines and waits until the client has read them all.
  void reply(const QStringList& lines);
  // Opens a session on CP "CP6001" with the given block list lines (after "CLRBLKLST").
  void openSessionWithTree(const QStringList& blockLines);
  // Waits for as many commands as expected and compares them all.
  ::testing::AssertionResult sent(const QStringList& expected);
  // Lets events run for a while, so that anything wrongly sent or shown can arrive.
  static void settle(int ms = 50);

  QString settingsPath() const { return dir.filePath(QStringLiteral("TarvoIp.txt")); }
  browser::Form1& form() { return client->form(); }

  QTemporaryDir dir;
  FakeServer server;
  ScriptedPrompter prompter;
  std::unique_ptr<Client> client;
};

}  // namespace tarvo::test
