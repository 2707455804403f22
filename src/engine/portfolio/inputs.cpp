#include "engine/portfolio/inputs.h"

#include <strings.h>
#include <sys/stat.h>

#include <filesystem>

#include "engine/uniform/uniform.h"

namespace tallyscan::portfolio {

std::vector<ManifestInput> FingerprintInputs(const std::string& folder) {
  std::vector<ManifestInput> inputs;
  auto add = [&](const std::optional<std::string>& path) {
    struct stat st {};
    if (!path || ::stat(path->c_str(), &st) != 0) return false;
    ManifestInput input;
    input.name = std::filesystem::path(*path).filename().string();
    input.bytes = static_cast<std::uint64_t>(st.st_size);
    input.size = static_cast<std::uint64_t>(st.st_size);
    input.mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    input.dev = static_cast<std::uint64_t>(st.st_dev);
    input.ino = static_cast<std::uint64_t>(st.st_ino);
    inputs.push_back(std::move(input));
    return true;
  };
  add(FindFileIgnoringCase(folder, "ini.txt"));
  if (!add(FindFileIgnoringCase(folder, "bkmvdata.txt"))) {
    add(FindFileIgnoringCase(folder, "bkmvdata.zip"));
  }
  return inputs;
}

bool SameFingerprints(const std::vector<ManifestInput>& a, const std::vector<ManifestInput>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || a[i].size != b[i].size || a[i].mtime_ns != b[i].mtime_ns ||
        a[i].dev != b[i].dev || a[i].ino != b[i].ino) {
      return false;
    }
  }
  return true;
}

bool IsArchiveName(const std::string& name) {
  return ::strcasecmp(name.c_str(), "bkmvdata.zip") == 0;
}

}  // namespace tallyscan::portfolio
