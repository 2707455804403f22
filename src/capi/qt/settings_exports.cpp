// The settings store behind its exported names: the same QSettings store the application uses.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "qt_settings/qt_settings_store.h"
#include "tallyscan_settings.h"

namespace {

// A text value comes back without the blanks after it. A binary record (one holding a NUL or
// another control byte no text has, as the print settings do) comes back whole.
std::string_view AsRead(std::string_view value) {
  const bool binary = std::any_of(value.begin(), value.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r';
  });
  if (binary) return value;
  const std::size_t end = value.find_last_not_of(' ');
  return value.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

}  // namespace

extern "C" {

int32_t ReadReg(const char* subkey, const char* value_name, char* buffer, int32_t buffer_size) {
  if (subkey == nullptr || value_name == nullptr) return 0;
  const std::string stored = tallyscan::QtSettingsStore().ReadReg(subkey, value_name);
  const std::string_view value = AsRead(stored);
  if (buffer != nullptr && buffer_size > 0) {
    const std::size_t room = static_cast<std::size_t>(buffer_size);
    const std::size_t copied = std::min(value.size(), room);
    std::memcpy(buffer, value.data(), copied);
    if (copied < room) buffer[copied] = '\0';
  }
  return static_cast<int32_t>(std::min<std::size_t>(value.size(), INT32_MAX));
}

void WriteReg(const char* subkey, const char* value_name, const char* value) {
  if (subkey == nullptr || value_name == nullptr || value == nullptr) return;
  tallyscan::QtSettingsStore().WriteReg(subkey, value_name, value);
}

void WriteRegBytes(const char* subkey, const char* value_name, const void* value, int32_t size) {
  if (subkey == nullptr || value_name == nullptr || (value == nullptr && size > 0) || size < 0) {
    return;
  }
  tallyscan::QtSettingsStore().WriteReg(
      subkey, value_name,
      std::string_view(static_cast<const char*>(value), static_cast<std::size_t>(size)));
}

}  // extern "C"
