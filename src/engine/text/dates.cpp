#include "engine/text/dates.h"

namespace tallyscan {

namespace {
std::string_view Part(std::string_view text, std::size_t pos, std::size_t count) {
  return pos < text.size() ? text.substr(pos, count) : std::string_view();
}
}  // namespace

std::string FormatDate(std::string_view yyyymmdd) {
  std::string out;
  out.reserve(10);
  out.append(Part(yyyymmdd, 6, 2)).append("/").append(Part(yyyymmdd, 4, 2)).append("/");
  out.append(Part(yyyymmdd, 0, 4));
  return out;
}

std::string FormatTime(std::string_view hhmm) {
  std::string out(Part(hhmm, 0, 2));
  out.append(":").append(Part(hhmm, 2, 2));
  return out;
}

}  // namespace tallyscan
