#pragma once

#include <memory>
#include <string>

#include "engine/program/program.h"

class QSettings;
class QString;

namespace tallyscan {

// The settings store over QSettings: the per-user key Software\Norva\Tallyscan in the
// registry on Windows, ~/.config/Norva/Tallyscan.conf on Linux. Values are kept as byte
// arrays so that any bytes, binary records included, come back exactly.
class QtSettingsStore final : public SettingsStore {
 public:
  // The user's own store.
  QtSettingsStore();
  // A store in the INI file at `path`: for tests.
  explicit QtSettingsStore(const QString& path);
  ~QtSettingsStore() override;

  std::string ReadReg(std::string_view subkey, std::string_view value_name) const override;
  void WriteReg(std::string_view subkey, std::string_view value_name,
                std::string_view value) override;

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace tallyscan
