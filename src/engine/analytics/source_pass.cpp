#include "engine/analytics/source_pass.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {

namespace {

constexpr std::string_view kReadFailedText = "שגיאה בקריאת הקובץ ";

}  // namespace

Status DigestFile(const std::string& path, FileFacts& facts, std::string* first_line) {
  facts.name = std::filesystem::path(path).filename().string();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Status::IoError(std::string(kReadFailedText) + path);
  Sha256 sha;
  std::vector<char> buffer(1 << 16);
  bool first_line_done = first_line == nullptr;
  std::int64_t total = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return Status::IoError(std::string(kReadFailedText) + path);
    }
    if (n == 0) break;
    const std::size_t count = static_cast<std::size_t>(n);
    sha.Add(buffer.data(), count);
    total += n;
    if (!first_line_done) {
      const std::string_view bytes(buffer.data(), count);
      const std::size_t lf = bytes.find('\n');
      first_line->append(bytes.substr(0, lf));
      first_line_done = lf != std::string_view::npos;
    }
  }
  ::close(fd);
  // The line end of the first line is a CR LF or an LF; a CR before it is no part of the line.
  if (first_line != nullptr && !first_line->empty() && first_line->back() == '\r' &&
      total > static_cast<std::int64_t>(first_line->size())) {
    first_line->pop_back();
  }
  facts.bytes = total;
  facts.sha256 = sha.HexDigest();
  return Status::Ok();
}

BlockReader::BlockReader(const RecordStore& store, std::int64_t begin, std::int64_t end, bool hash)
    : store_(store),
      begin_(begin),
      end_(end),
      blocks_((static_cast<std::uint64_t>(end - begin) + kBlockSize - 1) / kBlockSize),
      hash_(hash),
      lengths_(kSlots, 0) {
  for (std::size_t i = 0; i < kSlots; ++i) slots_.emplace_back(new char[kBlockSize]);
  thread_ = std::thread([this] { Work(); });
}

BlockReader::~BlockReader() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

std::string_view BlockReader::Next() {
  std::unique_lock<std::mutex> lock(mutex_);
  // Asking for the next block gives the one before back to the reading thread.
  changed_.notify_all();
  changed_.wait(lock, [&] { return read_ > taken_ || failed_ || taken_ == blocks_; });
  if (read_ <= taken_) return {};
  const std::size_t slot = taken_++ % kSlots;
  return {slots_[slot].get(), lengths_[slot]};
}

std::string BlockReader::Digest() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return hashed_; });
  }
  return sha_.HexDigest();
}

void BlockReader::Work() {
  // Block b goes into slot b % kSlots once block b - kSlots was given back (the block handed
  // out last is still in use). Each block is hashed after the next one was read, so that the
  // lines' thread seldom waits for a read.
  for (std::uint64_t block = 0; block <= blocks_; ++block) {
    if (block < blocks_) {
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || block < taken_ + kSlots - 1; });
        if (stopping_) return;
      }
      const std::size_t slot = block % kSlots;
      const std::int64_t offset = begin_ + static_cast<std::int64_t>(block * kBlockSize);
      const std::size_t wanted =
          std::min<std::size_t>(kBlockSize, static_cast<std::size_t>(end_ - offset));
      const bool whole = store_.DataFile.ReadInto(offset, slots_[slot].get(), wanted) == wanted;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        lengths_[slot] = wanted;
        if (whole) {
          ++read_;
        } else {
          failed_ = true;
        }
      }
      changed_.notify_all();
      if (!whole) return;
    }
    if (hash_ && block > 0) {
      const std::size_t slot = (block - 1) % kSlots;
      sha_.Add(slots_[slot].get(), lengths_[slot]);
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    hashed_ = true;
  }
  changed_.notify_all();
}

DataPass::DataPass(const RecordStore& store, bool hash)
    : store_(store), hash_(hash), size_(store.DataFile.Size()) {}

Status DataFileReadFailed(const RecordStore& store) {
  return Status::IoError(std::string(kReadFailedText) + store.DataFile.Path());
}

}  // namespace tallyscan::analytics
