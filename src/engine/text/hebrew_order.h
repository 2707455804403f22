#pragma once

// Private to text/: the rest of the program includes text/text.h.

#include <string>
#include <string_view>

namespace tallyscan {

// Direction of the Hebrew code-page conversion.
enum class HebrewDirection {
  kToWindows,  // DOS Hebrew in visual order -> code page 1255 in logical order
  kToDos,      // code page 1255 in logical order -> DOS Hebrew in visual order
};

// One routine for both directions: maps the 27 Hebrew letters between the code pages
// (a shift of 0x60), mirrors brackets around Hebrew text, and reorders the text by
// segments taken from its end. Bytes in, bytes out; the length never changes. A text that
// is empty, only spaces, or holds no Hebrew letter of the source code page comes back as it
// is. Hebrew words are reversed; runs of numbers and Latin text between them keep their
// left-to-right order, and a minus sign at one end of such a run moves to its other end.
// Texts of Hebrew words, numbers, signed numbers, Latin words and at most one bracket pair
// convert back to themselves.
std::string ConvertHebrew(std::string_view text, HebrewDirection direction);

inline std::string DosToWin(std::string_view text) {
  return ConvertHebrew(text, HebrewDirection::kToWindows);
}
inline std::string WinToDos(std::string_view text) {
  return ConvertHebrew(text, HebrewDirection::kToDos);
}

}  // namespace tallyscan
