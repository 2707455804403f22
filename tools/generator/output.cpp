#include "output.h"

#include <minizip/zip.h>

#include <cstdio>

namespace tallyscan::gen {
namespace {

constexpr std::size_t kBufferSize = 4 << 20;

class FileSink : public ByteSink {
 public:
  explicit FileSink(std::FILE* file) : file_(file) {}
  ~FileSink() override { Close(); }
  bool Write(std::string_view bytes) override {
    return file_ != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
  }
  bool Close() override {
    if (file_ == nullptr) return true;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  std::FILE* file_;
};

class ZipSink : public ByteSink {
 public:
  explicit ZipSink(zipFile zip) : zip_(zip) {}
  ~ZipSink() override { Close(); }
  bool Write(std::string_view bytes) override {
    // The archive API takes at most an unsigned int per call; the buffer is far smaller.
    return zip_ != nullptr &&
           zipWriteInFileInZip(zip_, bytes.data(), static_cast<unsigned>(bytes.size())) == ZIP_OK;
  }
  bool Close() override {
    if (zip_ == nullptr) return true;
    const bool entry_ok = zipCloseFileInZip(zip_) == ZIP_OK;
    const bool ok = zipClose(zip_, nullptr) == ZIP_OK;
    zip_ = nullptr;
    return entry_ok && ok;
  }

 private:
  zipFile zip_;
};

}  // namespace

std::unique_ptr<ByteSink> OpenFileSink(const std::filesystem::path& path) {
  std::FILE* file = std::fopen(path.string().c_str(), "wb");
  if (file == nullptr) return nullptr;
  return std::make_unique<FileSink>(file);
}

std::unique_ptr<ByteSink> OpenZipSink(const std::filesystem::path& path, std::string_view entry,
                                      int date, bool large) {
  zipFile zip = zipOpen64(path.string().c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) return nullptr;
  zip_fileinfo info{};
  info.tmz_date.tm_year = static_cast<unsigned>(date / 10000);
  info.tmz_date.tm_mon = static_cast<unsigned>(date / 100 % 100 - 1);
  info.tmz_date.tm_mday = static_cast<unsigned>(date % 100);
  info.tmz_date.tm_hour = 10;
  const std::string name(entry);
  if (zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                            Z_DEFAULT_COMPRESSION, large ? 1 : 0) != ZIP_OK) {
    zipClose(zip, nullptr);
    return nullptr;
  }
  return std::make_unique<ZipSink>(zip);
}

LineWriter::LineWriter(ByteSink* sink) : sink_(sink) { buffer_.reserve(kBufferSize + 4096); }

void LineWriter::Line(std::string_view bytes) {
  buffer_.append(bytes);
  buffer_.append("\r\n", 2);
  ++lines_;
  bytes_ += static_cast<std::int64_t>(bytes.size()) + 2;
  if (buffer_.size() >= kBufferSize) Flush();
}

void LineWriter::Flush() {
  if (!buffer_.empty() && !failed_ && !sink_->Write(buffer_)) failed_ = true;
  buffer_.clear();
}

Status LineWriter::Finish(const std::string& what) {
  Flush();
  if (!sink_->Close()) failed_ = true;
  if (failed_) return Status::IoError("cannot write " + what);
  return Status::Ok();
}

}  // namespace tallyscan::gen
