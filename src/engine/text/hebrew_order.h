#pragma once

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
// segments taken from its end. Bytes in, bytes out; the length never changes.
std::string ConvertHebrew(std::string_view text, HebrewDirection direction);

inline std::string DosToWin(std::string_view text) {
  return ConvertHebrew(text, HebrewDirection::kToWindows);
}
inline std::string WinToDos(std::string_view text) {
  return ConvertHebrew(text, HebrewDirection::kToDos);
}

}  // namespace tallyscan
