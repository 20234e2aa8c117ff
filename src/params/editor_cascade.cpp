#include "params/editor_cascade.h"

#include <algorithm>

#include "params/param_protocol.h"

namespace tarvo::params {
namespace {

// 15 twips to the device-independent pixel (1440 twips to the inch, 96 pixels to the inch).
int px(int twips) {
  return (twips + 7) / 15;
}

// One axis: the cascade starts at `first` and its last window ends at `lastEnd`; the
// shift brings that end inside [lo, hi) without moving the start before `lo`, and the
// window's own start `at` never leaves [lo, hi - size] when it fits, nor goes before lo.
int fitAxis(int at, int first, int lastEnd, int size, int lo, int hi) {
  int shift = 0;
  if (lastEnd > hi) shift = hi - lastEnd;
  if (first + shift < lo) shift = lo - first;
  at += shift;
  at = std::min(at, hi - size);
  return std::max(at, lo);
}

}  // namespace

PxPoint editorPlace(int editWindowCnt, PxSize frame, PxRect screen, PxRect available) {
  const int last = kEditorCascadePositions - 1;
  const int n = std::clamp(editWindowCnt, 0, last);
  const TwipsPoint at = editorPositionTwips(n);
  const TwipsPoint first = editorPositionTwips(0);
  const TwipsPoint end = editorPositionTwips(last);
  // An unknown available area (no screen) leaves the places as they are.
  if (available.width <= 0 || available.height <= 0) available = screen;
  if (available.width <= 0 || available.height <= 0)
    return {screen.x + px(at.left), screen.y + px(at.top)};
  PxPoint place;
  place.x = fitAxis(screen.x + px(at.left), screen.x + px(first.left),
                    screen.x + px(end.left) + frame.width, frame.width, available.x,
                    available.x + available.width);
  place.y = fitAxis(screen.y + px(at.top), screen.y + px(first.top),
                    screen.y + px(end.top) + frame.height, frame.height, available.y,
                    available.y + available.height);
  return place;
}

}  // namespace tarvo::params
