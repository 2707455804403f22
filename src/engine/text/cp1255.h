#pragma once

// Private to text/: the rest of the program includes text/text.h.

#include <string>
#include <string_view>

namespace tallyscan {

// Code page 1255 (Windows Hebrew) <-> UTF-8. Every one of the 256 bytes maps to a code
// point: the defined ones to their Unicode characters (0xFD is U+200E, the left-to-right
// mark that the result rows use as their heading marker), the undefined ones to the C1
// control of the same value, so that a round trip of any byte string is exact.
std::string Cp1255ToUtf8(std::string_view bytes);

// The reverse. A character that code page 1255 cannot hold, or an invalid UTF-8 sequence,
// becomes '?'.
std::string Utf8ToCp1255(std::string_view utf8);

// The same for outputs that can carry character references (the HTML report): a character
// that code page 1255 cannot hold becomes its decimal character reference (Arabic alef, U+0627,
// becomes "&#1575;"), so that nothing is lost; a malformed sequence becomes the reference of
// the replacement character, "&#65533;".
std::string Utf8ToCp1255WithReferences(std::string_view utf8);

}  // namespace tallyscan
