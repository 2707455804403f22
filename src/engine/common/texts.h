#pragma once

// Fixed texts (UTF-8) that the engine's results and the window's own messages both show,
// each defined once here.

#include <string_view>

namespace tallyscan {

// Something that needs a data set was asked for before one was read.
inline constexpr std::string_view kNeedsDataText = "יש לקרוא תחילה את קובץ הנתונים";
// A file could not be written; the path follows.
inline constexpr std::string_view kCannotWriteFileText = "לא ניתן לכתוב את הקובץ ";
// A command on the chosen row of a list, and no row is chosen.
inline constexpr std::string_view kNoRowSelected = "יש לבחור קודם שורה להצגה";

}  // namespace tallyscan
