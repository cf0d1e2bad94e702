#include "backends/sqlite/host_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "backends/sqlite/host_constants.h"
#include "hostnet/quorvic_exception.h"

namespace sqlite_host {

namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& reason) {
  throw Quorvic::Lib::QuorvicException("cannot open host database " + path + ": " + reason);
}

}  // namespace

HostLock::HostLock(const std::string& path) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  std::error_code error;
  if (!parent.empty() && !std::filesystem::exists(parent, error)) {
    std::filesystem::create_directories(parent, error);
    if (error) Refuse(path, "cannot create folder " + parent.string() + ": " + error.message());
  }
  // Read-only is enough for flock, and leaves a read-only file openable.
  fd_ = open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) Refuse(path, std::strerror(errno));

  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
  while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      int failure = errno;
      close(fd_);
      Refuse(path, std::string("cannot lock it: ") + std::strerror(failure));
    }
    if (std::chrono::steady_clock::now() > deadline) {
      close(fd_);
      Refuse(path, "it stays locked by another process");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

HostLock::~HostLock() { close(fd_); }

}  // namespace sqlite_host
