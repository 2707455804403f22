#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// A cell's text in the lines of its column on paper.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tallyscan {

// `text` as lines no wider than `width` by `measure`: broken after words (the blanks at a break
// end the line unseen), a word wider than a line broken between its letters (a letter keeps the
// points and marks that follow it). Every line holds at least one letter, so with a width too
// small for a letter each letter takes a line of its own. Nothing is lost: the lines hold the
// words of the text in order. A text without a letter other than blanks is one line, as given.
std::vector<std::string> BreakLines(std::string_view text, double width,
                                    const std::function<double(std::string_view)>& measure);

}  // namespace tallyscan
