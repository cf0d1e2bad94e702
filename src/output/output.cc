#include "output/output.h"

#include <unistd.h>

#include <cerrno>

namespace {

constexpr size_t kBufferSize = 64 * 1024;

}  // namespace

OutputStream::OutputStream(int fd, bool lineBuffered) : fd_(fd), lineBuffered_(lineBuffered) {
  buffer_.reserve(kBufferSize);
}

OutputStream::~OutputStream() { Flush(); }

void OutputStream::Append(const char* data, size_t size) {
  if (buffer_.size() + size > kBufferSize) Flush();
  buffer_.append(data, size);
}

void OutputStream::EndLine() {
  Append("\n", 1);
  if (lineBuffered_) Flush();
}

void OutputStream::Flush() {
  size_t written = 0;
  while (written < buffer_.size()) {
    ssize_t n = write(fd_, buffer_.data() + written, buffer_.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // a closed or full output: what is left is dropped
    written += static_cast<size_t>(n);
  }
  buffer_.clear();
}

OutputStream& StandardOutput() {
  static OutputStream out(STDOUT_FILENO, isatty(STDOUT_FILENO) == 1);
  return out;
}

OutputStream& StandardError() {
  StandardOutput().Flush();
  static OutputStream err(STDERR_FILENO, true);
  return err;
}
