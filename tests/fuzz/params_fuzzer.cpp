// Reads the fuzzer's input as a parameter file, merged over parameters that differ from the
// defaults.
//
// Any input must end without a crash, a hang or a sanitizer report. A refused file leaves the
// parameters as they were and says why in a message that carries no control character of the
// file; a file taken prints as JSON that loads back to the same parameters, byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/analytics/analytics.h"
#include "engine/uniform/uniform.h"

namespace {

tallyscan::JetParameters Before() {
  tallyscan::JetParameters p;
  p.late_days = 12;
  p.keywords = {"סטורנו"};
  p.weekend_days = {6};
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tallyscan;
  static const JetParameters before = Before();
  static const std::string before_json = JetParametersJson(before);
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  JetParameters loaded = before;
  const Status status = LoadJetParameters(text, before, loaded);
  if (!status.ok()) {
    if (status.code() != StatusCode::kCorrupt || status.message().empty()) std::abort();
    if (!IsSafeCellText(status.message())) std::abort();
    if (JetParametersJson(loaded) != before_json) std::abort();
    return 0;
  }
  const std::string printed = JetParametersJson(loaded);
  JetParameters again;
  if (!LoadJetParameters(printed, JetParameters{}, again).ok()) std::abort();
  if (JetParametersJson(again) != printed) std::abort();
  return 0;
}
