#include "engine/text/trim.h"

namespace tallyscan {

std::string_view TrimSpaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string_view StripLeadingBlanksAndZeros(std::string_view text) {
  const auto first = text.find_first_not_of(" 0");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace tallyscan
