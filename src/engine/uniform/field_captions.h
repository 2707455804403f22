#pragma once

// Private to uniform/: the rest of the program includes uniform/uniform.h or uniform/import.h.
//
// Captions that tell a record's fields apart where the layout captions two alike.

#include <string_view>

#include "engine/uniform/layouts.h"

namespace tallyscan {

// The layout's own caption, but for the two dates of a movement that the layout captions alike
// ("תאריך"): 1362 "תאריך התנועה" and 1375 "תאריך הרישום".
std::string_view DistinctCaption(const RecordLayout& layout, const FieldLayout& field);

}  // namespace tallyscan
