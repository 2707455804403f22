#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// Sort keys of the item catalogue and the documents register, compared byte by byte; ties
// are broken by file order (the record's offset) by whoever sorts.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/uniform/uniform.h"

namespace tallyscan {

// A text as a sort key: its code page 1255 bytes, left-aligned in 23, cut there.
std::string TextSortKey(std::string_view utf8);
std::string BytesSortKey(std::string_view cp1255);

// A signed value as a text whose byte order is its numeric order (20 digits).
std::string SignedSortKey(std::int64_t value);

}  // namespace tallyscan
