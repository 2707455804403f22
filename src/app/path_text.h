#pragma once

// Paths inside right-to-left text. A path read as part of a Hebrew sentence is reordered by
// the bidirectional algorithm ("/home/user/data/BKMVDATA.TXT" shows as
// "home/user/data/BKMVDATA.TXT/"); held in a left-to-right isolate it reads as typed.

#include <QString>

namespace tallyscan {

inline constexpr QChar kLeftToRightIsolate = QChar(0x2066);
inline constexpr QChar kPopDirectionalIsolate = QChar(0x2069);

// `text` with each path in it held in a left-to-right isolate (U+2066 ... U+2069). A path
// begins a word with "/", "~/", "\\" or a drive ("C:\"), or is a word of no Hebrew letter
// holding "/" or "\" (not a date, not an address "https://..."); it runs on over the words
// that hold a separator and over words without Hebrew letters, up to a line end, a word
// opening with "(" or "-", or a word ending with ":"; the punctuation that closes a sentence
// stays outside. Text that is already isolated, and text without a path, come back unchanged.
QString IsolatePaths(const QString& text);

}  // namespace tallyscan
