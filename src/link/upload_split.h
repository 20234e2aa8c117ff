#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::link {

// A multi-line text box's text cut into the lines that go to the server one command each.
struct UploadLines {
  struct Line {
    std::string text;       // without any line end
    std::size_t crPos = 0;  // 1-based position in the whole text of the CR that ended it
  };
  // Every line that a CR ended, in order. Each travels with one LF appended.
  std::vector<Line> ended;
  // What follows the last CR: the last line when it has no line end of its own, "" when the
  // text ended with a line break (or was empty). It travels without a LF.
  std::string pending;
};

// Walks `text` character by character: a LF is dropped, a CR ends the line collected so far
// (CR LF and a bare CR each end one line, a bare LF ends none), anything else is collected.
// Sequence Save and the cross-reference list upload both send their text this way.
UploadLines splitForUpload(std::string_view text);

}  // namespace tarvo::link
