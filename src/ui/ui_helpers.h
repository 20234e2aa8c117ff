#pragma once
// Small view helpers shared by the windows.
#include <QFont>
#include <QString>
#include <string_view>

class QWidget;

namespace tarvo {

// Layout sizes are kept in twips (1/1440 inch): 15 twips to the pixel at 96 dpi.
constexpr int twipsToPx(int twips) {
  return (twips + 7) / 15;
}

// The fixed-pitch fonts the server's column layouts are made for. A monospace style hint
// picks another fixed-pitch face where these are not installed.
QFont listFont();    // "Courier New": lists, the tree, the grid
QFont sourceFont();  // "Fixedsys": source and listing windows

// Keeps `window`, a window of its own, above `owner` as a dialog stays above its parent,
// without making it a child of `owner`: disabling `owner` leaves it usable.
void keepAbove(QWidget* window, QWidget* owner);

}  // namespace tarvo
