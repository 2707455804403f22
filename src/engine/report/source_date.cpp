#include "engine/report/source_date.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/uniform/uniform.h"

namespace tallyscan {

Status ReadSourceDateEpoch(std::optional<std::int64_t>& moment) {
  moment.reset();
  const char* variable = std::getenv("SOURCE_DATE_EPOCH");
  if (variable == nullptr || *variable == '\0') return Status::Ok();
  const std::string_view text = variable;
  std::int64_t seconds = 0;
  bool taken = true;
  for (const char c : text) {
    if (c < '0' || c > '9' || seconds > kLatestSourceDate) {
      taken = false;
      break;
    }
    seconds = seconds * 10 + (c - '0');
  }
  if (!taken || seconds > kLatestSourceDate) {
    // A long value is cut in the message: what matters is that it is not a moment.
    const std::string_view shown = text.substr(0, 40);
    return Status::Refused("SOURCE_DATE_EPOCH \"" + SafeCellText(shown) +
                           (shown.size() < text.size() ? "..." : "") +
                           "\" אינו מספר שלם של שניות מ-0 עד " + std::to_string(kLatestSourceDate));
  }
  moment = seconds;
  return Status::Ok();
}

}  // namespace tallyscan
