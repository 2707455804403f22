#include "engine/checks/record_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/uniform/record_store.h"

namespace tallyscan::checks {

RecordReader::RecordReader(const RecordStore& store) : store_(store) {
  if (!store.DataFile.IsOpen()) return;
  const int fd = ::open(store.DataFile.Path().c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && info.st_size > 0) {
    void* map = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ,
                       MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (map != MAP_FAILED) {
      data_ = static_cast<const char*>(map);
      size_ = static_cast<std::size_t>(info.st_size);
    }
  }
  ::close(fd);  // the mapping keeps the file
}

RecordReader::~RecordReader() {
  if (data_ != nullptr) ::munmap(const_cast<char*>(data_), size_);
}

std::string_view RecordReader::Cut(std::int64_t offset, int max_length,
                                   std::string& scratch) const {
  if (max_length <= 0 || offset < 0) return {};
  std::string_view bytes;
  if (data_ != nullptr) {
    const auto begin = static_cast<std::size_t>(offset);
    if (begin >= size_) return {};
    // One byte more than asked tells whether a CR at the limit is the line's own end.
    bytes = std::string_view(data_ + begin, size_ - begin)
                .substr(0, static_cast<std::size_t>(max_length) + 1);
  } else {
    scratch = store_.DataFile.ReadAt(offset, static_cast<std::size_t>(max_length) + 1);
    bytes = scratch;
  }
  const std::size_t lf = bytes.find('\n');
  if (lf != std::string_view::npos) {
    return bytes.substr(0, lf > 0 && bytes[lf - 1] == '\r' ? lf - 1 : lf);
  }
  return bytes.substr(0, static_cast<std::size_t>(max_length));
}

std::string_view RecordReader::Line(std::int64_t offset, RecordType type,
                                    std::string& scratch) const {
  return Cut(offset, LayoutOf(type).full_width, scratch);
}

std::string_view RecordReader::Field(std::int64_t offset, Positions field,
                                     std::string& scratch) const {
  if (field.start < 1 || field.width <= 0) return {};
  const std::string_view line = Cut(offset, field.start - 1 + field.width, scratch);
  const auto begin = static_cast<std::size_t>(field.start - 1);
  return begin < line.size() ? line.substr(begin) : std::string_view();
}

}  // namespace tallyscan::checks
