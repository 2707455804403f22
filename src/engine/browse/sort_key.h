#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// Sort keys of the browsers' header-click sorts: bytes of code page 1255 compared byte by
// byte, as the index entries hold them.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/uniform/uniform.h"

namespace tallyscan {

// `bytes` left-aligned in a key of kKeyLength bytes, cut or padded with blanks.
void SetSortKey(std::string_view bytes, char (&key)[kKeyLength]);

// A signed whole number as a text of 20 digits whose byte order is the numbers' order.
std::string SignedSortText(std::int64_t value);

}  // namespace tallyscan
