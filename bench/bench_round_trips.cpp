// Round trips per user action: the whole client (its real windows and controllers) against
// tarvo-sim, a program of its own, over loopback and through the latency rig.
//
//   BM_Action/A/D   action A, the rig delaying each direction by D ms (0: no rig). Timed
//                   from the click that starts the action to the last reply it needs having
//                   been dispatched and shown; what leads up to the click (selecting a block,
//                   opening the window, typing) and what follows is not timed. The counter
//                   `round_trips` is that time over the round trip (2 D).
//
// After the runs a table gives, per action, the fastest time at each delay and the round
// trips the delay added: (time through the rig - time over loopback) / round trip, rounded.
// That difference leaves out what the client and the server spend on their own work, which
// is the same with and without the rig.
//
// The plant is the demo plant. Blocks added, copied and moved get names of their own on
// every round, so that no round depends on the one before.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/Client.h"
#include "bench_qt.h"
#include "blocks/BlockTypesFRM.h"
#include "blocks/BlocksController.h"
#include "browser/BlockTree.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "link/Connection.h"
#include "params/ParamsController.h"
#include "params/ParmEditFRM.h"
#include "records/settings_file.h"
#include "rig_process.h"
#include "sequence/PLBList.h"
#include "sequence/SeqEditFRM.h"
#include "sequence/SequenceController.h"
#include "sim/demo_plant.h"
#include "sim_process.h"
#include "xref/XrefController.h"
#include "xref/XrefWindows.h"

using namespace tarvo;

namespace {

constexpr int kSourceLines = 1000;

// Answers the boxes an action asks (a name, "Are you sure"); any other box is a failure
// the benchmark reports instead of a time, but for the warning that a sequence block's
// source was saved and not installed, which the rounds before leave behind.
class ActionPrompter : public Prompter {
 public:
  QMessageBox::StandardButton message(Icon, const QString& title, const QString& text,
                                      QMessageBox::StandardButtons) override {
    if (!answers.empty()) {
      const auto answer = answers.front();
      answers.pop_front();
      return answer;
    }
    if (!title.startsWith(QLatin1String("Warning Preparing"))) unexpected = title + QStringLiteral(": ") + text;
    return QMessageBox::Ok;
  }
  std::optional<QString> input(const QString&, const QString&, const QString&) override {
    if (names.empty()) return std::nullopt;
    const QString name = names.front();
    names.pop_front();
    return name;
  }
  std::deque<QMessageBox::StandardButton> answers;
  std::deque<QString> names;
  QString unexpected;
};

struct World {
  bench::SimProcess sim;
  std::map<int, std::unique_ptr<bench::RigProcess>> rigs;
  QTemporaryDir dir;
};
std::unique_ptr<World> theWorld;

// One client per delay, kept from one benchmark to the next: the state an action starts
// from is reached from whatever the last one left.
class Driver {
 public:
  explicit Driver(const QString& settings) : client_(prompter, settings) {
    client_.start();
    QObject::connect(&client_.connection(), &link::Connection::lineReceived, &client_,
                     [this](std::string_view line) { onLine(line); });
  }

  Client& client() { return client_; }
  browser::Form1& form() { return client_.form(); }
  QString error;
  ActionPrompter prompter;
  static inline int round = 0;  // for names of their own, whichever client adds them
  QString originalSource;        // of the sequence block, while a longer one is stored

  template <class T = QWidget>
  T* main(const char* name) {
    return form().findChild<T*>(QLatin1String(name));
  }
  QPushButton* button(const char* name) { return main<QPushButton>(name); }

  // The line that ends the action (its keyword at the line's start), and those that mean
  // it failed.
  void expect(std::string end, std::vector<std::string> failures = {}) {
    ends_ = {std::move(end)};
    failures_ = std::move(failures);
    ended_ = false;
    prompter.unexpected.clear();
  }
  // Another line that ends it as well.
  void orEnd(std::string end) { ends_.push_back(std::move(end)); }
  bool ended() const { return ended_; }

  // Runs the event loop until `done` holds, the server has said the action failed, or a
  // box nobody expected came up. False (with `error` set) unless `done` held.
  bool waitFor(const std::function<bool()>& done, const char* what) {
    const bool ok = bench::waitUntil(
        [&] { return done() || !error.isEmpty() || !prompter.unexpected.isEmpty(); });
    if (!prompter.unexpected.isEmpty()) error = QStringLiteral("a box: ") + prompter.unexpected;
    if (ok && error.isEmpty()) return true;
    if (error.isEmpty()) error = QStringLiteral("timed out waiting for ") + QLatin1String(what);
    return false;
  }

  bool connected() {
    return client_.connection().state() == link::Connection::Connected;
  }
  bool sessionOpen() { return main<QGroupBox>("CBFRM")->isVisible(); }

  // ---- states an action starts from ----------------------------------------------------

  bool disconnected() {
    closeXrefSetup();
    closeParamEditor();
    if (sequence::SeqEditFRM* e = seqEditor()) e->close();
    if (sequence::PLBList* w = client_.sequence().plbList()) w->close();
    bench::settle();
    if (client_.connection().state() == link::Connection::Closed) return true;
    main<QAction>("SessionCloseMP")->trigger();
    return waitFor([&] { return client_.connection().state() == link::Connection::Closed; },
                   "the connection to close");
  }

  // Connected, both lists shown, no session.
  bool atLists() {
    closeXrefSetup();
    if (connected() && !sessionOpen() && main<QComboBox>("CPListCBO")->isVisible()) return true;
    if (!disconnected()) return false;
    expect("DNCMPLST");
    main<QAction>("SessionNewMP")->trigger();
    return waitFor([&] { return ended() && main<QGroupBox>("CPFRM")->isVisible(); }, "the lists");
  }

  int cpRow(const QString& cp) {
    QComboBox* list = main<QComboBox>("CPListCBO");
    for (int i = 0; i < list->count(); ++i)
      if (list->itemText(i).startsWith(cp)) return i;
    return -1;
  }

  void pickCp() { emit main<QComboBox>("CPListCBO")->activated(cpRow(QStringLiteral("CP6001"))); }

  // A session on CP6001 with its tree shown.
  bool inSession() {
    closeXrefSetup();
    if (connected() && sessionOpen()) return true;
    if (!atLists()) return false;
    expect("DNBLKLST", {"ERROPENCP", "LOCKOPENCP", "CHECKPOINT", "ERRBLKLST"});
    pickCp();
    return waitFor([&] { return ended() && sessionOpen(); }, "the tree");
  }

  bool select(const QString& key) {
    if (client_.tree().selectNode(key)) return true;
    error = QStringLiteral("no node ") + key;
    return false;
  }
  bool hasNode(const QString& key) { return client_.tree().blocks().find(key) != nullptr; }

  // The block type chooser with the name typed and AIN chosen, for a new block before
  // `before`; its OK sends the command.
  bool readyToAdd(const QString& before, const QString& name) {
    if (!select(before)) return false;
    prompter.names.push_back(name);
    button("AddPB")->click();
    blocks::BlockTypesFRM& chooser = client_.blocks().blockTypes();
    auto* types = chooser.findChild<QComboBox*>(QStringLiteral("BlockTypesCB"));
    const int ain = chooser.types().indexOf(QStringLiteral("AIN"));
    if (!chooser.isVisible() || !types || ain < 0) {
      error = QStringLiteral("no block type chooser offering AIN");
      return false;
    }
    types->setCurrentIndex(ain);
    return true;
  }
  QPushButton* chooserOk() {
    return client_.blocks().blockTypes().findChild<QPushButton*>(QStringLiteral("OKButton"));
  }

  // A block of its own in BOILER, added untimed.
  bool added(const QString& name) {
    if (!readyToAdd(QStringLiteral("BOILER:LT101"), name)) return false;
    expect("DNADDNE", {"ERRADDNEW", "WRNADDNEW"});
    chooserOk()->click();
    const QString key = QStringLiteral("BOILER:") + name;
    return waitFor([&] { return ended() && hasNode(key); }, "the block added");
  }

  void closeParamEditor() {
    if (params::ParmEditFRM* e = client_.params().parmEditor()) e->close();
    bench::settle();
  }

  // The parameter editor of BOILER:LC101, its list in.
  bool paramEditorOpen() {
    if (!inSession()) return false;
    closeParamEditor();
    if (!select(QStringLiteral("BOILER:LC101"))) return false;
    expect("DNPRMLST", {"ERRPRMLST"});
    button("EditPB")->click();
    return waitFor(
        [&] {
          params::ParmEditFRM* e = client_.params().parmEditor();
          return ended() && e && e->isVisible();
        },
        "the parameter editor");
  }

  sequence::SeqEditFRM* seqEditor() { return client_.sequence().seqEditor(); }
  QPushButton* inEditor(const char* name) {
    sequence::SeqEditFRM* e = seqEditor();
    return e ? e->findChild<QPushButton*>(QLatin1String(name)) : nullptr;
  }

  // The sequence editor of FEEDWT:PMPSEQ, in its Ready mode.
  bool seqEditorReady() {
    if (!inSession()) return false;
    if (!seqEditor()) {
      if (!select(QStringLiteral("FEEDWT:PMPSEQ"))) return false;
      expect("DNEDTSEQ", {"ERREDTSEQ"});
      button("EditSeq")->click();
      if (!waitFor([&] { return ended() && seqEditor() && seqEditor()->isVisible(); },
                   "the sequence editor"))
        return false;
    }
    // Cancel in another mode only goes back to Ready; in Ready it would end the session.
    if (seqEditor()->controls.mode() != sequence::SeqEditMode::Ready) inEditor("CancelPB")->click();
    bench::settle();
    if (seqEditor()->controls.mode() == sequence::SeqEditMode::Ready) return true;
    error = QStringLiteral("the sequence editor is not Ready");
    return false;
  }

  bool sourceFetched() {
    if (!seqEditorReady()) return false;
    expect("DNSEQSRC", {"ERRSEQSRC"});
    inEditor("EditPB")->click();
    return waitFor([&] { return ended() && inEditor("EditSvPB")->isEnabled(); }, "the source");
  }

  void closeXrefSetup() {
    if (xref::XrefOptionsBoxFRM* e = client_.xref().listEditor()) e->close();
    if (xref::XrefOptionsFRM* w = client_.xref().setupWindow()) w->close();
    if (xref::XrefFRM* l = client_.xref().listingWindow()) l->close();
    bench::settle();
  }

 private:
  void onLine(std::string_view line) {
    for (const std::string& end : ends_)
      if (line.substr(0, end.size()) == end) ended_ = true;
    for (const std::string& f : failures_)
      if (line.substr(0, f.size()) == f)
        error = QStringLiteral("the server answered ") + QString::fromLatin1(line.data(), line.size());
  }

  Client client_;
  std::vector<std::string> ends_;
  std::vector<std::string> failures_;
  bool ended_ = false;
};

std::map<int, std::unique_ptr<Driver>> theDrivers;

World* world(benchmark::State& state) {
  if (theWorld) return theWorld.get();
  theWorld = std::make_unique<World>();
  QString error;
  if (!theWorld->dir.isValid() || !theWorld->sim.start(sim::buildDemoPlant(), &error)) {
    theWorld.reset();
    state.SkipWithError(("tarvo-sim: " + error).toLocal8Bit().constData());
    return nullptr;
  }
  return theWorld.get();
}

Driver* driver(benchmark::State& state, int delayMs) {
  World* w = world(state);
  if (!w) return nullptr;
  // Only one client at a time holds a connection, and with it the CP's lock. Its close
  // reaches the server one delay later: time enough is left before the next open.
  for (auto& [delay, other] : theDrivers) {
    if (delay == delayMs || other->client().connection().state() == link::Connection::Closed)
      continue;
    other->disconnected();
    bench::waitUntil([] { return false; }, 4 * delay + 20);
  }
  std::unique_ptr<Driver>& d = theDrivers[delayMs];
  if (d) return d.get();
  quint16 port = w->sim.port();
  if (delayMs > 0) {
    auto& rig = w->rigs[delayMs];
    rig = std::make_unique<bench::RigProcess>();
    if (!rig->start(QStringLiteral(TARVO_LATENCY_RIG), port, delayMs)) {
      state.SkipWithError("the latency rig did not start");
      return nullptr;
    }
    port = rig->port();
  }
  records::SettingsFile settings;
  settings.entries[0] = {"127.0.0.1", std::to_string(port)};
  const QString path = w->dir.filePath(QStringLiteral("TarvoIp-%1.txt").arg(delayMs));
  QFile file(path);
  const std::string text = records::formatSettings(settings);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(text.data(), static_cast<qint64>(text.size())) != qint64(text.size())) {
    state.SkipWithError("cannot write the settings file");
    return nullptr;
  }
  file.close();
  d = std::make_unique<Driver>(path);
  return d.get();
}

// An action: `prepare` brings the client to where the user's click starts it (untimed) and
// names the reply line that ends it; `start` is the click; `done` is what the user sees
// once that line is in.
struct Action {
  const char* name;
  std::function<bool(Driver&)> prepare;
  std::function<void(Driver&)> start;
  std::function<bool(Driver&)> done;
  // Puts back what the action changed that another one reads (untimed); may be empty.
  std::function<bool(Driver&)> after = {};
};

QString source1000(Driver& d) {
  d.originalSource = d.seqEditor()->rawText().replace(QChar::ParagraphSeparator, u'\n');
  QStringList lines = d.originalSource.split(u'\n');
  for (int n = 0; lines.size() < kSourceLines; ++n)
    lines.insert(1, QStringLiteral("{ note %1: the pump starts only with the drum level in range }")
                        .arg(n));
  return lines.join(u'\n');
}

const std::vector<Action>& actions() {
  static const std::vector<Action> list = {
      {"connect and lists",
       [](Driver& d) {
         if (!d.disconnected()) return false;
         d.expect("DNCMPLST");
         return true;
       },
       [](Driver& d) { d.main<QAction>("SessionNewMP")->trigger(); },
       [](Driver& d) { return d.ended() && d.main<QGroupBox>("CPFRM")->isVisible(); }},

      {"open a session to the tree shown",
       [](Driver& d) {
         if (!d.atLists()) return false;
         d.expect("DNBLKLST", {"ERROPENCP", "LOCKOPENCP", "CHECKPOINT", "ERRBLKLST"});
         return true;
       },
       [](Driver& d) { d.pickCp(); },
       [](Driver& d) { return d.ended() && d.sessionOpen(); }},

      {"open a parameter editor",
       [](Driver& d) {
         if (!d.inSession()) return false;
         d.closeParamEditor();
         if (!d.select(QStringLiteral("BOILER:LC101"))) return false;
         d.expect("DNPRMLST", {"ERRPRMLST"});
         return true;
       },
       [](Driver& d) { d.button("EditPB")->click(); },
       [](Driver& d) {
         params::ParmEditFRM* e = d.client().params().parmEditor();
         return d.ended() && e && e->isVisible();
       }},

      {"submit an edit",
       [](Driver& d) {
         if (!d.paramEditorOpen()) return false;
         params::ParmEditFRM* e = d.client().params().parmEditor();
         const int last = e->grid().parameterCount();
         int row = 1;
         while (row <= last && e->grid().row(row).name != "DESCRP") ++row;
         if (row > last) {
           d.error = QStringLiteral("no DESCRP row");
           return false;
         }
         e->clickRow(row);
         e->findChild<QComboBox*>(QStringLiteral("ValEntryCB"))
             ->lineEdit()
             ->setText(QStringLiteral("Drum level %1").arg(++d.round));
         d.expect("DNPRMMOD", {"ERRPRMMOD", "WRNPRMMOD"});
         return true;
       },
       [](Driver& d) {
         d.client().params().parmEditor()->findChild<QPushButton*>(QStringLiteral("OKPB"))->click();
       },
       [](Driver& d) {
         return d.ended() && d.form().panelText(3) == QStringLiteral("EDIT: BOILER:LC101");
       }},

      {"add a block",
       [](Driver& d) {
         if (!d.inSession() || !d.readyToAdd(QStringLiteral("BOILER:LT101"),
                                             QStringLiteral("RTA%1").arg(++d.round)))
           return false;
         d.expect("DNADDNE", {"ERRADDNEW", "WRNADDNEW"});
         return true;
       },
       [](Driver& d) { d.chooserOk()->click(); },
       [](Driver& d) {
         return d.ended() && d.hasNode(QStringLiteral("BOILER:RTA%1").arg(d.round));
       }},

      {"add a compound",
       [](Driver& d) {
         if (!d.inSession() || !d.select(QStringLiteral("***END***"))) return false;
         d.prompter.names.push_back(QStringLiteral("RTK%1").arg(++d.round));
         // A new compound's end entry comes only with the list, which is asked for again.
         d.expect("DNBLKLST", {"ERRADDNEW", "WRNADDNEW", "ERRBLKLST"});
         return true;
       },
       [](Driver& d) { d.button("AddPB")->click(); },
       [](Driver& d) {
         return d.ended() && d.sessionOpen() && d.hasNode(QStringLiteral("RTK%1").arg(d.round));
       }},

      {"copy a block",
       [](Driver& d) {
         if (!d.inSession() || !d.select(QStringLiteral("BOILER:LT101"))) return false;
         d.button("CopyPB")->click();
         d.prompter.names.push_back(QStringLiteral("RTC%1").arg(++d.round));
         d.expect("DNCPYNE", {"ERRCPYNEW", "WRNCPYNEW"});
         return d.select(QStringLiteral("BOILER:LT101"));
       },
       [](Driver& d) { d.button("PastePB")->click(); },
       [](Driver& d) {
         return d.ended() && d.hasNode(QStringLiteral("BOILER:RTC%1").arg(d.round));
       }},

      {"move a block",
       [](Driver& d) {
         const QString name = QStringLiteral("RTM%1").arg(++d.round);
         if (!d.inSession() || !d.added(name) || !d.select(QStringLiteral("BOILER:") + name))
           return false;
         d.button("MoveFromPB")->click();
         d.expect("DNMOVEBL", {"ERRMOVEBLK", "WRNMOVEBLK"});
         return d.select(QStringLiteral("FEEDWT:FT201"));
       },
       [](Driver& d) { d.button("MoveToPB")->click(); },
       [](Driver& d) {
         return d.ended() && d.hasNode(QStringLiteral("FEEDWT:RTM%1").arg(d.round));
       }},

      {"delete a block",
       [](Driver& d) {
         const QString name = QStringLiteral("RTD%1").arg(++d.round);
         if (!d.inSession() || !d.added(name) || !d.select(QStringLiteral("BOILER:") + name))
           return false;
         d.prompter.answers.push_back(QMessageBox::Yes);
         d.expect("DNDELBL", {"ERRDELBLK", "WRNDELBLK"});
         return true;
       },
       [](Driver& d) { d.button("DelPB")->click(); },
       [](Driver& d) {
         return d.ended() && !d.hasNode(QStringLiteral("BOILER:RTD%1").arg(d.round));
       }},

      {"open a sequence editor",
       [](Driver& d) {
         if (!d.inSession()) return false;
         if (sequence::SeqEditFRM* e = d.seqEditor()) {
           // Its close cancels the edit session at the server, which answers "DNCANSEQ".
           d.expect("DNCANSEQ");
           e->close();
           if (!d.waitFor([&] { return d.ended(); }, "the edit session cancelled")) return false;
         }
         if (!d.select(QStringLiteral("FEEDWT:PMPSEQ"))) return false;
         d.expect("DNEDTSEQ", {"ERREDTSEQ"});
         return true;
       },
       [](Driver& d) { d.button("EditSeq")->click(); },
       [](Driver& d) { return d.ended() && d.seqEditor() && d.seqEditor()->isVisible(); }},

      {"fetch a sequence source",
       [](Driver& d) {
         if (!d.seqEditorReady()) return false;
         d.expect("DNSEQSRC", {"ERRSEQSRC"});
         return true;
       },
       [](Driver& d) { d.inEditor("EditPB")->click(); },
       [](Driver& d) { return d.ended() && d.inEditor("EditSvPB")->isEnabled(); }},

      {"save a 1,000-line source",
       [](Driver& d) {
         if (!d.sourceFetched()) return false;
         d.seqEditor()->findChild<QPlainTextEdit*>(QStringLiteral("SourceTB"))
             ->setPlainText(source1000(d));
         d.expect("DNPUTSRC", {"ERRPUTSRC", "WRNPUTSRC"});
         return true;
       },
       [](Driver& d) { d.inEditor("EditSvPB")->click(); },
       [](Driver& d) { return d.ended(); },
       // The source as it was, so that a fetch or a compile always meets the same one.
       [](Driver& d) {
         if (!d.sourceFetched()) return false;
         d.seqEditor()->findChild<QPlainTextEdit*>(QStringLiteral("SourceTB"))
             ->setPlainText(d.originalSource);
         d.expect("DNPUTSRC", {"ERRPUTSRC", "WRNPUTSRC"});
         d.inEditor("EditSvPB")->click();
         return d.waitFor([&] { return d.ended(); }, "the source put back");
       }},

      {"compile",
       [](Driver& d) {
         if (!d.seqEditorReady()) return false;
         d.expect("DNCPLSEQ", {"ERRCPLSEQ", "WRNCPLSEQ"});
         return true;
       },
       [](Driver& d) { d.inEditor("CompilePB")->click(); },
       [](Driver& d) { return d.ended() && d.inEditor("DonePB")->isEnabled(); }},

      {"listing",
       [](Driver& d) {
         if (!d.seqEditorReady()) return false;
         if (!d.inEditor("ListingPB")->isEnabled()) {
           d.expect("DNCPLSEQ", {"ERRCPLSEQ", "WRNCPLSEQ"});
           d.inEditor("CompilePB")->click();
           if (!d.waitFor([&] { return d.ended(); }, "the compile")) return false;
         }
         d.expect("DNSEQLST", {"ERRSEQLST", "WRNSEQLST"});
         return true;
       },
       [](Driver& d) { d.inEditor("ListingPB")->click(); },
       [](Driver& d) {
         return d.ended() && d.seqEditor()->controls.mode() == sequence::SeqEditMode::Listing;
       }},

      {"PLB listing",
       [](Driver& d) {
         if (!d.inSession()) return false;
         if (sequence::PLBList* w = d.client().sequence().plbList()) w->close();
         bench::settle();
         if (!d.select(QStringLiteral("FEEDWT:PMPPLB"))) return false;
         d.expect("PLBENDLIST");
         return true;
       },
       [](Driver& d) { d.button("PLBEditPB")->click(); },
       [](Driver& d) {
         sequence::PLBList* w = d.client().sequence().plbList();
         return d.ended() && w && w->isVisible();
       }},

      {"a block's cross-reference",
       [](Driver& d) {
         if (!d.inSession()) return false;
         if (xref::XrefFRM* w = d.client().xref().listingWindow()) w->close();
         bench::settle();
         if (!d.select(QStringLiteral("BOILER:LC101"))) return false;
         d.expect("ENDXREFLST");
         // A plant whose cross-reference was never generated answers "none".
         d.orEnd("NONEXREFLST");
         return true;
       },
       [](Driver& d) { d.button("XrefPB")->click(); },
       [](Driver& d) {
         xref::XrefFRM* w = d.client().xref().listingWindow();
         return d.ended() && w && w->isVisible();
       }},

      {"cross-reference setup list",
       [](Driver& d) {
         if (!d.atLists()) return false;
         d.main<QAction>("xrefMP")->trigger();
         bench::settle();
         if (!d.client().xref().setupWindow()) {
           d.error = QStringLiteral("no cross-reference setup window");
           return false;
         }
         d.expect("XREFCFGGETDONE");
         return true;
       },
       [](Driver& d) {
         d.client().xref().setupWindow()->findChild<QPushButton*>(QStringLiteral("CPPB"))->click();
       },
       [](Driver& d) {
         xref::XrefOptionsBoxFRM* e = d.client().xref().listEditor();
         return d.ended() && e && e->isVisible();
       }},
  };
  return list;
}

struct Best {
  double seconds = 1e9;
};
std::map<std::pair<int, int>, Best> theBest;  // by action and delay

void BM_Action(benchmark::State& state) {
  const int index = static_cast<int>(state.range(0));
  const int delayMs = static_cast<int>(state.range(1));
  const Action& action = actions().at(static_cast<std::size_t>(index));
  state.SetLabel(action.name);
  Driver* d = driver(state, delayMs);
  if (!d) return;
  // The first round of a driver connects and opens what it needs, untimed.
  for (auto _ : state) {
    d->error.clear();
    if (!action.prepare(*d)) {
      state.SkipWithError(("before: " + d->error).toLocal8Bit().constData());
      return;
    }
    bench::settle();
    QElapsedTimer clock;
    clock.start();
    action.start(*d);
    if (!d->waitFor([&] { return action.done(*d); }, action.name)) {
      state.SkipWithError(d->error.toLocal8Bit().constData());
      return;
    }
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (action.after && !action.after(*d)) {
      state.SkipWithError(("after: " + d->error).toLocal8Bit().constData());
      return;
    }
    state.SetIterationTime(seconds);
    Best& best = theBest[{index, delayMs}];
    best.seconds = std::min(best.seconds, seconds);
    if (delayMs > 0) state.counters["round_trips"] = best.seconds / (2 * delayMs / 1000.0);
  }
}

void printTable() {
  std::printf("\n%-36s %12s %12s %12s\n", "action", "loopback ms", "rig ms", "round trips");
  for (std::size_t a = 0; a < actions().size(); ++a) {
    const int index = static_cast<int>(a);
    const auto near = theBest.find({index, 0});
    if (near == theBest.end()) continue;
    for (const auto& [key, best] : theBest) {
      if (key.first != index || key.second == 0) continue;
      const double roundTrip = 2 * key.second / 1000.0;
      std::printf("%-36s %12.1f %12.1f %12.0f   (%.2f)\n", actions()[a].name,
                  near->second.seconds * 1e3, best.seconds * 1e3,
                  std::round((best.seconds - near->second.seconds) / roundTrip),
                  (best.seconds - near->second.seconds) / roundTrip);
    }
  }
  std::fflush(stdout);
}

void registerActions() {
  for (std::size_t a = 0; a < actions().size(); ++a)
    benchmark::RegisterBenchmark("BM_Action", BM_Action)
        ->ArgsProduct({{static_cast<int64_t>(a)}, {0, 25}})
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(5);
}

}  // namespace

int main(int argc, char** argv) {
  // The change journal of these rounds goes to a folder for tests, not the user's.
  QStandardPaths::setTestModeEnabled(true);
  registerActions();
  return bench::runQtBenchmarks(argc, argv, {}, [] {
    printTable();
    theDrivers.clear();
    theWorld.reset();
  });
}
