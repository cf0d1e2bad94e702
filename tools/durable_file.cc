#include "tools/durable_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "hostnet/quorvic_exception.h"

namespace {

// An open file descriptor, closed when it goes.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::string Folder(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes text to the new file tmp and syncs it; returns 0 or an errno value.
int WriteSynced(const std::string& tmp, const std::string& text) {
  Fd fd(open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (fd.get() < 0) return errno;
  for (size_t done = 0; done < text.size();) {
    ssize_t n = write(fd.get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += static_cast<size_t>(n);
  }
  return fsync(fd.get()) == 0 ? 0 : errno;
}

}  // namespace

void WriteFileDurably(const std::string& path, const std::string& text) {
  const std::string tmp = path + ".tmp";
  int error = WriteSynced(tmp, text);
  if (error == 0 && rename(tmp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    unlink(tmp.c_str());
    throw Quorvic::Lib::QuorvicException("cannot write " + path + ": " + std::strerror(error));
  }
  Fd folder(open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) fsync(folder.get());
}
