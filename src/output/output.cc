#include "output/output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "hostnet/names.h"

namespace {

constexpr size_t kBufferSize = 64 * 1024;

}  // namespace

OutputStream::OutputStream(int fd, FailureHandler onFailure) : fd_(fd), onFailure_(onFailure) {
  buffer_.reserve(kBufferSize);
}

OutputStream::~OutputStream() { Flush(); }

void OutputStream::Append(const char* data, size_t size) {
  if (buffer_.size() + size > kBufferSize) Flush();
  buffer_.append(data, size);
}

void OutputStream::WriteBlanks(size_t count) {
  if (buffer_.size() + count > kBufferSize) Flush();
  buffer_.append(count, ' ');
}

void OutputStream::EndLine() {
  Append("\n", 1);
  Flush();
}

void OutputStream::Flush() {
  size_t written = 0;
  while (written < buffer_.size()) {
    ssize_t n = write(fd_, buffer_.data() + written, buffer_.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      buffer_.clear();
      if (onFailure_ != nullptr) onFailure_(error);
      return;
    }
    written += static_cast<size_t>(n);
  }
  buffer_.clear();
}

namespace {

// A result that cannot be written must not look like success.
void EndRunOnFailedOutput(int error) {
  ErrorLine() << "cannot write standard output: " << std::strerror(error);
  std::exit(1);
}

}  // namespace

void WriteEscaped(OutputStream& stream, std::string_view text) {
  stream << hostnet::EscapedName(std::string(text));
}

OutputStream& StandardOutput() {
  static OutputStream out(STDOUT_FILENO, EndRunOnFailedOutput);
  return out;
}

OutputStream& StandardError() {
  static OutputStream err(STDERR_FILENO, nullptr);
  return err;
}
