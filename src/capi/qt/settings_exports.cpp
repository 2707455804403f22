// The settings store behind its exported names: the same QSettings store the application uses.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "qt_settings/qt_settings_store.h"
#include "tallyscan_settings.h"

extern "C" {

int32_t ReadReg(const char* subkey, const char* value_name, char* buffer, int32_t buffer_size) {
  if (subkey == nullptr || value_name == nullptr) return 0;
  const std::string value = tallyscan::QtSettingsStore().ReadReg(subkey, value_name);
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
