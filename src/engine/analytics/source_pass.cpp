#include "engine/analytics/source_pass.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "engine/uniform/record_store.h"

namespace tallyscan::analytics {

namespace {

constexpr std::string_view kReadFailedText = "שגיאה בקריאת הקובץ ";

std::string Hex(const unsigned char* bytes, unsigned count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (unsigned i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

}  // namespace

Sha256::Sha256() : context_(EVP_MD_CTX_new()) {
  EVP_DigestInit_ex(context_, EVP_sha256(), nullptr);
}

Sha256::~Sha256() { EVP_MD_CTX_free(context_); }

void Sha256::Add(const char* bytes, std::size_t count) { EVP_DigestUpdate(context_, bytes, count); }

std::string Sha256::HexDigest() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned length = 0;
  EVP_DigestFinal_ex(context_, digest, &length);
  return Hex(digest, length);
}

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

BlockHasher::BlockHasher() : thread_([this] { Work(); }) {}

BlockHasher::~BlockHasher() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

std::uint64_t BlockHasher::Add(const char* bytes, std::size_t count) {
  std::uint64_t ticket;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.emplace_back(bytes, count);
    ticket = queued_++;
  }
  changed_.notify_all();
  return ticket;
}

void BlockHasher::WaitFor(std::uint64_t ticket) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return hashed_ > ticket || stopping_; });
}

std::string BlockHasher::Finish() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return hashed_ == queued_; });
  }
  return sha_.HexDigest();
}

void BlockHasher::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    const auto [bytes, count] = queue_.front();
    lock.unlock();
    sha_.Add(bytes, count);
    lock.lock();
    queue_.pop_front();
    ++hashed_;
    changed_.notify_all();
  }
}

DataPass::DataPass(const RecordStore& store, bool hash)
    : store_(store), hash_(hash), size_(store.DataFile.Size()) {
  for (std::size_t i = 0; i < kSlots; ++i) slots_.emplace_back(new char[kBlockSize]);
}

std::size_t DataPass::ReadBlock(std::size_t slot, std::int64_t offset) {
  const std::int64_t left = size_ - offset;
  const std::size_t wanted =
      left < static_cast<std::int64_t>(kBlockSize) ? static_cast<std::size_t>(left) : kBlockSize;
  const std::size_t got = store_.DataFile.ReadInto(offset, slots_[slot].get(), wanted);
  return got == wanted ? got : 0;
}

Status DataPass::ReadFailed() const {
  return Status::IoError(std::string(kReadFailedText) + store_.DataFile.Path());
}

}  // namespace tallyscan::analytics
