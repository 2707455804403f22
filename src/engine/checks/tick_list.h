#pragma once

// Private to checks/: the rest of the program includes checks/checks.h.

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace tallyscan {

// One of the two lists of checks the user ticks. Item 0 stands for the whole list:
// ticking or clearing it sets every item to the same state; clearing any other item clears
// item 0, ticking another item leaves item 0 as it is. A new list has every item ticked.
class TickList {
 public:
  explicit TickList(std::span<const std::string_view> texts);

  std::size_t size() const { return texts_.size(); }
  std::string_view Text(std::size_t item) const { return texts_[item]; }
  bool Ticked(std::size_t item) const { return item < ticked_.size() && ticked_[item]; }

  // What the user's click does. An item beyond the list is ignored.
  void SetTicked(std::size_t item, bool ticked);
  void SetAll(bool ticked) { SetTicked(0, ticked); }

 private:
  std::span<const std::string_view> texts_;
  std::vector<bool> ticked_;
};

}  // namespace tallyscan
