#pragma once

// Private to text/: the rest of the program includes text/text.h.

#include <optional>
#include <string_view>
#include <vector>

namespace tallyscan {

// The items of a list typed as one text ("late-entry,weekend"): the text between commas,
// without the spaces around it. nullopt when any item is empty ("", "weekend,", ",weekend",
// "a,,b", "a, ,b"): a list with a hole is a mistake, never a shorter list. Every list of
// names a user types (a command line's option, a field of a dialog) is read here.
std::optional<std::vector<std::string_view>> CommaListItems(std::string_view list);

}  // namespace tallyscan
