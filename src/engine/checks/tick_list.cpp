#include "engine/checks/tick_list.h"

#include <algorithm>

namespace tallyscan {

TickList::TickList(std::span<const std::string_view> texts)
    : texts_(texts), ticked_(texts.size(), true) {}

void TickList::SetTicked(std::size_t item, bool ticked) {
  if (item >= ticked_.size()) return;
  if (item == 0) {
    std::fill(ticked_.begin(), ticked_.end(), ticked);
    return;
  }
  ticked_[item] = ticked;
  if (!ticked) ticked_[0] = false;
}

}  // namespace tallyscan
