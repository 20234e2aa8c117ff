#pragma once
// Where a new parameter editor window goes on the screen the main window is on.
//
// Editors cascade through 13 places 325 twips apart, the first at (6420, 150) twips from
// the screen's corner. On a small screen (or at a large scale) the later places would push
// windows off the right or bottom edge, title bar included, where the user cannot reach
// them; so the whole cascade is shifted back just enough for its last window to fit, and
// a window larger than the screen keeps at least its title bar's start on it.
namespace tarvo::params {

struct PxPoint {
  int x = 0;
  int y = 0;
  bool operator==(const PxPoint&) const = default;
};
struct PxSize {
  int width = 0;
  int height = 0;
};
struct PxRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Top-left corner (of the frame) of the editor at cascade position `editWindowCnt`
// (0 to 12), for a window whose frame is `frame`, on a screen whose whole area is `screen`
// and whose area free of panels and task bars is `available`, all in the screen's
// device-independent pixels.
PxPoint editorPlace(int editWindowCnt, PxSize frame, PxRect screen, PxRect available);

}  // namespace tarvo::params
