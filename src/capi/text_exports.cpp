// The Hebrew code-page conversions behind their exported names, converting in place.
#include <algorithm>
#include <string>
#include <string_view>

#include "engine/text/text.h"
#include "tallyscan.h"

namespace {

void ConvertInPlace(char* text, int32_t length, tallyscan::HebrewDirection direction) {
  if (text == nullptr || length <= 0) return;
  const std::string converted =
      tallyscan::ConvertHebrew(std::string_view(text, static_cast<std::size_t>(length)), direction);
  std::copy_n(converted.begin(),
              std::min<std::size_t>(converted.size(), static_cast<std::size_t>(length)), text);
}

}  // namespace

extern "C" {

void DosToWin(char* text, int32_t length) {
  ConvertInPlace(text, length, tallyscan::HebrewDirection::kToWindows);
}

void WinToDos(char* text, int32_t length) {
  ConvertInPlace(text, length, tallyscan::HebrewDirection::kToDos);
}

}  // extern "C"
