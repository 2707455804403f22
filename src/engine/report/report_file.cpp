#include "engine/report/report_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

#include "engine/report/byte_sink.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr std::array<std::string_view, 3> kInputNames = {"ini.txt", "bkmvdata.txt", "bkmvdata.zip"};
constexpr char kIsInput[] = "זהו קובץ מקבצי הנתונים שנקראו";
constexpr char kIsLink[] = "הנתיב הוא קישור סמלי";
constexpr char kNotRegular[] = "הנתיב אינו קובץ רגיל";

// The process's umask without changing it, which another thread could notice; where the
// kernel does not tell it, set and restored at once.
mode_t CurrentUmask() {
  if (FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
      if (std::strncmp(line, "Umask:", 6) == 0) {
        std::fclose(status);
        return static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
      }
    }
    std::fclose(status);
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// Names of a data folder are matched as the import matches them, without regard to ASCII case.
std::string Lower(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A path that must not be replaced: a link, or something there that is not a regular file.
// Empty when the path is free or holds a regular file.
std::string_view Unreplaceable(const std::string& path, int& error) {
  struct stat info {};
  error = 0;
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) error = errno;
    return {};
  }
  if (S_ISLNK(info.st_mode)) return kIsLink;
  if (!S_ISREG(info.st_mode)) return kNotRegular;
  return {};
}

bool IsInput(const std::string& path, const ReportInputs& inputs) {
  struct stat target {};
  if (::stat(path.c_str(), &target) == 0) {
    for (const std::string& input : inputs.files) {
      struct stat source {};
      if (::stat(input.c_str(), &source) == 0 && SameFile(source, target)) return true;
    }
  }
  // A name the import would take for an input, in the data folder, even where no such file
  // exists yet: the next import of the folder would read the report.
  const std::filesystem::path name(path);
  const std::string parent = name.has_parent_path() ? name.parent_path().string() : ".";
  if (!SameFolder(parent, inputs.folder)) return false;
  const std::string base = Lower(name.filename().string());
  for (const std::string_view input : kInputNames) {
    if (base == input) return true;
  }
  for (const std::string& input : inputs.files) {
    if (base == Lower(std::filesystem::path(input).filename().string())) return true;
  }
  return false;
}

}  // namespace

ReportInputs InputsOfStore(const RecordStore& store) {
  ReportInputs inputs;
  inputs.folder = store.LoadedFolder.empty() ? store.DataFolder : store.LoadedFolder;
  if (!store.DataFile.Path().empty()) inputs.files.push_back(store.DataFile.Path());
  if (inputs.folder.empty()) return inputs;
  for (const std::string_view name : kInputNames) {
    if (std::optional<std::string> found = FindFileIgnoringCase(inputs.folder, name)) {
      inputs.files.push_back(std::move(*found));
    }
  }
  return inputs;
}

ReportFile::ReportFile(ReportFile&& other) noexcept
    : path_(std::move(other.path_)),
      write_path_(std::move(other.write_path_)),
      fd_(std::exchange(other.fd_, -1)) {}

ReportFile& ReportFile::operator=(ReportFile&& other) noexcept {
  if (this != &other) {
    Discard();
    path_ = std::move(other.path_);
    write_path_ = std::move(other.write_path_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

ReportFile::~ReportFile() { Discard(); }

Status ReportFile::Open(const std::string& path, const ReportInputs& inputs, ReportFile& file) {
  file.Discard();
  file.path_ = path;
  if (IsInput(path, inputs)) return Status::Refused(WriteFailureMessage(path, kIsInput));
  int error = 0;
  if (const std::string_view refused = Unreplaceable(path, error); !refused.empty()) {
    return Status::Refused(WriteFailureMessage(path, std::string(refused)));
  }
  if (error != 0) return Status::IoError(WriteFailureMessage(path, std::strerror(error)));
  std::string pattern = path + ".XXXXXX";
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return Status::IoError(WriteFailureMessage(path, std::strerror(errno)));
  // mkstemp makes the file for its owner alone; a report is as readable as any file made here.
  if (::fchmod(fd, 0644 & ~CurrentUmask()) != 0) {
    const int failure = errno;
    ::close(fd);
    ::unlink(pattern.c_str());
    return Status::IoError(WriteFailureMessage(path, std::strerror(failure)));
  }
  file.write_path_ = std::move(pattern);
  file.fd_ = fd;
  return Status::Ok();
}

Status ReportFile::Commit() {
  if (fd_ < 0) return Status::Ok();
  int failure = 0;
  if (::fsync(fd_) != 0) failure = errno;
  if (::close(fd_) != 0 && failure == 0) failure = errno;
  fd_ = -1;
  std::string_view refused;
  if (failure == 0) refused = Unreplaceable(path_, failure);
  if (failure == 0 && refused.empty() && ::rename(write_path_.c_str(), path_.c_str()) != 0) {
    failure = errno;
  }
  if (failure == 0 && refused.empty()) {
    write_path_.clear();
    return Status::Ok();
  }
  ::unlink(write_path_.c_str());
  write_path_.clear();
  if (!refused.empty()) return Status::Refused(WriteFailureMessage(path_, std::string(refused)));
  return Status::IoError(WriteFailureMessage(path_, std::strerror(failure)));
}

void ReportFile::Discard() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  ::unlink(write_path_.c_str());
  write_path_.clear();
}

}  // namespace tallyscan
