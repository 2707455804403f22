#include "engine/text/comma_list.h"

#include "engine/text/trim.h"

namespace tallyscan {

std::optional<std::vector<std::string_view>> CommaListItems(std::string_view list) {
  std::vector<std::string_view> items;
  for (bool more = true; more;) {
    const std::size_t comma = list.find(',');
    const std::string_view item = TrimSpaces(list.substr(0, comma));
    if (item.empty()) return std::nullopt;
    items.push_back(item);
    more = comma != std::string_view::npos;
    if (more) list.remove_prefix(comma + 1);
  }
  return items;
}

}  // namespace tallyscan
