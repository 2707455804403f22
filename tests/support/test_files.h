#pragma once

// Files of the tests: a temporary folder removed with everything in it, whole files written
// and read back, and zips of given entries.

#include <minizip/zip.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace tallyscan::testing {

// A folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tallyscan-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes a zip of (name, content) entries, all dated 2023-03-05 14:30:20.
inline void WriteZip(const std::string& path,
                     const std::vector<std::pair<std::string, std::string>>& entries) {
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  ASSERT_NE(nullptr, zip);
  for (const auto& [name, content] : entries) {
    zip_fileinfo info{};
    info.tmz_date.tm_year = 2023;
    info.tmz_date.tm_mon = 2;
    info.tmz_date.tm_mday = 5;
    info.tmz_date.tm_hour = 14;
    info.tmz_date.tm_min = 30;
    info.tmz_date.tm_sec = 20;
    ASSERT_EQ(ZIP_OK, zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                          Z_DEFLATED, Z_DEFAULT_COMPRESSION));
    ASSERT_EQ(ZIP_OK,
              zipWriteInFileInZip(zip, content.data(), static_cast<unsigned>(content.size())));
    ASSERT_EQ(ZIP_OK, zipCloseFileInZip(zip));
  }
  ASSERT_EQ(ZIP_OK, zipClose(zip, nullptr));
}

}  // namespace tallyscan::testing
