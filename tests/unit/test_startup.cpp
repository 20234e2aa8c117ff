// Decisions made before any window opens: where the settings file lives, which server a
// "--connect" names, and where each parameter editor of the cascade goes.
#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <utility>

#include "app/startup.h"
#include "params/editor_cascade.h"
#include "params/param_protocol.h"

using namespace tarvo;
using params::editorPlace;
using params::PxPoint;
using params::PxRect;
using params::PxSize;

TEST(SettingsLocation, EachSituationPicksItsFile) {
  using enum SettingsPlace;
  const std::string cfg = "/home/u/.config/T";
  const struct {
    const char* what;
    SettingsSituation situation;  // given, program folder, file there, writable, installed, cfg
    const char* path;
    SettingsPlace place;
  } cases[] = {
      // clang-format off
      {"given wins over a file beside the program",
       {"/tmp/mine.txt", "/opt/t", true, true, false, cfg}, "/tmp/mine.txt", Given},
      {"a file beside the program is used even in a read-only folder",
       {"", "/opt/t", true, false, false, cfg}, "/opt/t/TarvoIp.txt", BesideProgram},
      {"an installed program still reads a file an administrator left beside it",
       {"", "/usr/bin", true, true, true, cfg}, "/usr/bin/TarvoIp.txt", BesideProgram},
      {"a writable program folder gets a new file",
       {"", "/home/u/b", false, true, false, cfg}, "/home/u/b/TarvoIp.txt", BesideProgram},
      {"a read-only program folder sends it to the user's folder",
       {"", "/usr/bin", false, false, false, cfg}, "/home/u/.config/T/TarvoIp.txt", UserConfig},
      {"an installed program never creates one in the system's folder, even as root",
       {"", "/usr/bin", false, true, true, cfg + "/"}, "/home/u/.config/T/TarvoIp.txt", UserConfig},
      {"no user folder known: beside the program",
       {"", "/usr/bin", false, false, true, ""}, "/usr/bin/TarvoIp.txt", BesideProgram},
      {"program in the root folder",
       {"", "/", false, true, false, cfg}, "/TarvoIp.txt", BesideProgram},
      // clang-format on
  };
  for (const auto& c : cases) {
    const SettingsLocation location = chooseSettingsLocation(c.situation);
    EXPECT_EQ(location.path, c.path) << c.what;
    EXPECT_EQ(location.place, c.place) << c.what;
  }
}

TEST(ServerAddress, HostsPortsAndMistakes) {
  // A bare IPv6 address has no port.
  const std::pair<const char*, const char*> accepted[] = {
      {"127.0.0.1", "127.0.0.1 1582"}, {"aw51b:1600", "aw51b 1600"},  {"host:65535", "host 65535"},
      {"[::1]:2000", "::1 2000"},      {"[fe80::1]", "fe80::1 1582"}, {"::1", "::1 1582"}};
  for (const auto& [text, expected] : accepted) {
    const ServerAddress a = parseServerAddress(text);
    EXPECT_EQ(a.error + a.host + " " + std::to_string(a.port), expected) << text;  // no error
  }
  for (const char* text : {"", ":1582", "host:", "host:0", "host:65536", "host:12x", "host: 1582",
                           "[::1", "[::1]1582", "my host"})
    EXPECT_FALSE(parseServerAddress(text).ok()) << text;
}

namespace {

// The frame of the whole window must lie inside `area`.
bool inside(PxPoint at, PxSize frame, PxRect area) {
  return at.x >= area.x && at.y >= area.y && at.x + frame.width <= area.x + area.width &&
         at.y + frame.height <= area.y + area.height;
}

}  // namespace

TEST(EditorCascade, ALargeScreenKeepsTheThirteenPlaces) {
  const PxRect screen{0, 0, 1920, 1080};
  const PxSize frame{600, 420};
  EXPECT_EQ(editorPlace(0, frame, screen, screen), (PxPoint{428, 10}));
  EXPECT_EQ(editorPlace(12, frame, screen, screen), (PxPoint{688, 270}));
  // Out-of-range positions are read as the nearest one.
  EXPECT_EQ(editorPlace(13, frame, screen, screen), editorPlace(12, frame, screen, screen));
  // A second screen right of the first: the cascade starts from that screen's corner.
  const PxRect right{1920, 0, 1600, 1200};
  EXPECT_EQ(editorPlace(0, frame, right, right), (PxPoint{1920 + 428, 10}));
}

TEST(EditorCascade, SmallScreensShiftTheWholeCascadeBackOntoTheScreen) {
  // What the case is, the whole screen, its free area, the window's frame.
  const std::tuple<const char*, PxRect, PxRect, PxSize> cases[] = {
      // clang-format off
      {"1024x768, panels above and below", {0, 0, 1024, 768}, {0, 27, 1024, 701}, {600, 440}},
      {"1024x768 at scale 2", {0, 0, 512, 384}, {0, 0, 512, 384}, {240, 120}},
      {"a screen below left", {-800, 1080, 800, 600}, {-800, 1080, 800, 600}, {500, 300}},
      // clang-format on
  };
  for (const auto& [what, screen, available, frame] : cases) {
    std::set<std::pair<int, int>> places;
    PxPoint previous{};
    for (int n = 0; n < params::kEditorCascadePositions; ++n) {
      const PxPoint at = editorPlace(n, frame, screen, available);
      EXPECT_TRUE(inside(at, frame, available)) << what << ", place " << n;
      // The cascade keeps its steps, so each window's title shows below the one before.
      EXPECT_TRUE(n == 0 || (at.x - previous.x >= 21 && at.y - previous.y >= 21))
          << what << ", place " << n;
      places.insert({at.x, at.y});
      previous = at;
    }
    EXPECT_EQ(places.size(), 13u) << what;
  }
}

TEST(EditorCascade, AWindowLargerThanTheScreenKeepsItsTitleBarOnIt) {
  const PxRect screen{0, 0, 512, 384};
  const PxRect available{0, 20, 512, 364};
  for (int n : {0, 6, 12})
    EXPECT_EQ(editorPlace(n, {700, 500}, screen, available), (PxPoint{0, 20}));
  // Only too wide: kept at the left edge, the cascade still runs downward.
  const PxPoint first = editorPlace(0, {700, 100}, screen, available);
  const PxPoint last = editorPlace(12, {700, 100}, screen, available);
  EXPECT_TRUE(first.x == 0 && last.x == 0 && last.y > first.y && last.y + 100 <= 384);
  // Fits alone but not with the cascade's spread: the later windows stop at the edge.
  PxPoint previous{-1, -1};
  for (int n = 0; n < params::kEditorCascadePositions; ++n) {
    const PxPoint at = editorPlace(n, {400, 300}, screen, available);
    EXPECT_TRUE(inside(at, {400, 300}, available) && at.x >= previous.x && at.y >= previous.y) << n;
    previous = at;
  }
}
