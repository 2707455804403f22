#pragma once

// What a typed word matches in a cell, for the filter box and the search of a grid alike:
// Hebrew as typed, Latin letters without regard to case, and a figure both as shown and by
// its digits, so that "7083", "7083.1" and "7,083.10" all find 7,083.10 (the separators may
// be typed or left out).

#include <QString>

namespace tallyscan {

class TextMatch {
 public:
  // `word` as typed; blanks around it are ignored.
  explicit TextMatch(const QString& word);

  // Whether there is no word to look for.
  bool Empty() const { return word_.isEmpty(); }
  // Whether a cell's text as shown (without markers) holds the word.
  bool Matches(const QString& shown) const;

 private:
  QString word_;
  QString digits_;  // the word without separators, when it is a figure
};

}  // namespace tallyscan
