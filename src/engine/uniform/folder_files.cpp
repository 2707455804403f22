#include "engine/uniform/folder_files.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tallyscan {

namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> FindFileIgnoringCase(const std::string& folder, std::string_view name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec);
  if (ec) return std::nullopt;
  std::optional<std::string> best_name;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const std::string entry_name = it->path().filename().string();
    if (!EqualIgnoringCase(entry_name, name)) continue;
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    if (!best_name || entry_name < *best_name) best_name = entry_name;
  }
  if (!best_name) return std::nullopt;
  return JoinPath(folder, *best_name);
}

bool SameFolder(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  if (a == b) return true;
  std::error_code ec;
  const bool same = std::filesystem::equivalent(a, b, ec);
  return !ec && same;
}

std::string JoinPath(const std::string& folder, std::string_view name) {
  return (std::filesystem::path(folder) / std::filesystem::path(name)).string();
}

std::string DefaultCacheFolder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && cache[0] == '/') return JoinPath(cache, "tallyscan");
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return JoinPath(JoinPath(home, ".cache"), "tallyscan");
  return {};
}

std::string FolderStamp(const std::string& folder) {
  std::string stamp;
  for (const std::string_view name : {"ini.txt", "bkmvdata.txt", "bkmvdata.zip"}) {
    struct stat st {};
    const std::optional<std::string> path = FindFileIgnoringCase(folder, name);
    if (!path || ::stat(path->c_str(), &st) != 0) {
      stamp += "-;";
      continue;
    }
    stamp += std::to_string(st.st_size) + ':' + std::to_string(st.st_mtim.tv_sec) + '.' +
             std::to_string(st.st_mtim.tv_nsec) + ';';
  }
  return stamp;
}

}  // namespace tallyscan
