#include "cli/standard_output.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <streambuf>

#include "cli/exit_codes.h"

namespace tallyscan::cli {
namespace {

// std::cout's bytes, written to file descriptor 1 in blocks. After the first failure every
// write fails at once, so the stream turns bad and the errno of that failure is kept for the
// message.
class OutputBuffer final : public std::streambuf {
 public:
  OutputBuffer() { setp(buffer_, buffer_ + sizeof buffer_); }
  int error() const { return error_; }

 protected:
  int_type overflow(int_type c) override {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }
  int sync() override { return Drain() ? 0 : -1; }

 private:
  bool Drain() {
    const char* at = pbase();
    while (error_ == 0 && at < pptr()) {
      const ssize_t written = ::write(STDOUT_FILENO, at, static_cast<std::size_t>(pptr() - at));
      if (written < 0) {
        if (errno != EINTR) error_ = errno;
        continue;
      }
      at += written;
    }
    setp(buffer_, buffer_ + sizeof buffer_);
    return error_ == 0;
  }

  char buffer_[1 << 16];
  int error_ = 0;
};

// Never destroyed: std::cout is flushed once more when the program ends, after the statics
// made after it are gone.
OutputBuffer& Buffer() {
  static OutputBuffer* const buffer = new OutputBuffer;
  return *buffer;
}

}  // namespace

void TakeStandardOutput() {
  ::signal(SIGPIPE, SIG_IGN);
  std::cout.rdbuf(&Buffer());
}

bool StandardOutputFailed() { return Buffer().error() != 0 || !std::cout.good(); }

int FinishStandardOutput(int exit_code) {
  std::cout.flush();
  if (!StandardOutputFailed()) return exit_code;
  const int error = Buffer().error();
  std::cerr << "tallyscan-cli: standard output: "
            << (error != 0 ? std::strerror(error) : "write failed") << '\n';
  return kExitFailed;
}

void StandardOutputSink::Write(std::string_view bytes) {
  std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Status StandardOutputSink::Close() {
  std::cout.flush();
  if (!StandardOutputFailed()) return Status::Ok();
  return Status::IoError(std::strerror(Buffer().error()));
}

}  // namespace tallyscan::cli
