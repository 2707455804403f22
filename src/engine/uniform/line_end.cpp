#include "engine/uniform/line_end.h"

namespace tallyscan {

std::string_view WithoutLineEnd(std::string_view line_before_lf) {
  if (!line_before_lf.empty() && line_before_lf.back() == '\r') line_before_lf.remove_suffix(1);
  return line_before_lf;
}

std::string_view CutLine(std::string_view bytes, int max_length) {
  if (max_length <= 0) return {};
  bytes = bytes.substr(0, static_cast<std::size_t>(max_length) + 1);
  const std::size_t lf = bytes.find('\n');
  if (lf != std::string_view::npos) return WithoutLineEnd(bytes.substr(0, lf));
  return bytes.substr(0, static_cast<std::size_t>(max_length));
}

}  // namespace tallyscan
