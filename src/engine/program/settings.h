#pragma once

// Private to program/: the rest of the program includes program/program.h.

#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace tallyscan {

// The per-user settings store: values named by a subkey and a value name. A value is raw
// bytes and comes back from ReadReg exactly as WriteReg stored it (binary records such as
// the print settings included). A missing value reads as the empty text; a write that fails
// is silent, and every reader has a default for the empty text.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::string ReadReg(std::string_view subkey, std::string_view value_name) const = 0;
  virtual void WriteReg(std::string_view subkey, std::string_view value_name,
                        std::string_view value) = 0;
};

// Settings held in memory only: for tests and for callers that must not touch the user's.
class MemorySettings final : public SettingsStore {
 public:
  std::string ReadReg(std::string_view subkey, std::string_view value_name) const override {
    const auto it = values_.find({std::string(subkey), std::string(value_name)});
    return it == values_.end() ? std::string() : it->second;
  }
  void WriteReg(std::string_view subkey, std::string_view value_name,
                std::string_view value) override {
    values_[{std::string(subkey), std::string(value_name)}] = std::string(value);
  }

 private:
  std::map<std::pair<std::string, std::string>, std::string> values_;
};

// The subkey of the program's own values and the names stored under it.
inline constexpr std::string_view kParams = "Params";
inline constexpr std::string_view kMainDlgPos = "MainDlgPos";
inline constexpr std::string_view kLastPath = "LastPath";
// Base address of the update server ("https://host[:port]"); empty means no update checks.
inline constexpr std::string_view kUpdateServer = "UpdateServer";
// The print settings record (report/print_fonts.h).
inline constexpr std::string_view kPrintFonts = "PrintFonts";
// The threads that read the data file side by side (ImportOptions::read_threads): a whole
// number from 1; empty or anything else: one per core.
inline constexpr std::string_view kReadThreads = "ReadThreads";
// The form of the output dialog's Excel target: "xlsx" (a workbook) or "xls" (the HTML table).
inline constexpr std::string_view kExcelForm = "ExcelForm";

}  // namespace tallyscan
