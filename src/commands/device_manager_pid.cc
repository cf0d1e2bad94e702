#include "commands/device_manager_pid.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>

#include "commands/end_run.h"
#include "output/output.h"

std::optional<pid_t> ReadDeviceManagerPid(std::istream& in) {
  using Traits = std::istream::traits_type;
  int c = in.get();
  while (c != Traits::eof() && std::isspace(c)) {
    c = in.get();
  }
  constexpr uint64_t kMaxPid = std::numeric_limits<pid_t>::max();
  uint64_t pid = 0;
  bool anyDigit = false;
  for (; c != Traits::eof() && std::isdigit(c); c = in.get()) {
    anyDigit = true;
    // Stop growing once out of range, so that no number wraps round to a valid one.
    if (pid <= kMaxPid) {
      pid = pid * 10 + static_cast<uint64_t>(c - '0');
    }
  }
  if (!anyDigit || pid == 0 || pid > kMaxPid) {
    return std::nullopt;
  }
  return static_cast<pid_t>(pid);
}

namespace {

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// True when a file with these attributes may be trusted to name the process
// root signals: owned by root, and writable by nobody else.
bool OwnedByRootAlone(const struct stat& info) {
  return info.st_uid == 0 && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The first bytes of the PID file, or nullopt when it is not one to trust: a
// symbolic link, anything but a regular file (a FIFO would block the run),
// a file someone other than root owns or may write, or one in a folder that
// others may write without the sticky bit (they could replace the file).
std::optional<std::string> ReadTrustedPidFile(const std::string& folder, const char* name) {
  FileDescriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat dirInfo;
  if (dir.get() < 0 || fstat(dir.get(), &dirInfo) != 0) return std::nullopt;
  if ((dirInfo.st_mode & S_IWOTH) != 0 && (dirInfo.st_mode & S_ISVTX) == 0) return std::nullopt;
  FileDescriptor file(openat(dir.get(), name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat info;
  if (file.get() < 0 || fstat(file.get(), &info) != 0) return std::nullopt;
  if (!S_ISREG(info.st_mode) || !OwnedByRootAlone(info)) return std::nullopt;
  char buffer[4096];  // far more than any process id with blanks around it
  ssize_t length = read(file.get(), buffer, sizeof buffer);
  if (length < 0) return std::nullopt;
  return std::string(buffer, static_cast<size_t>(length));
}

}  // namespace

void HangUpDeviceManager() {
  const std::string path = kDeviceManagerPidFile;
  const std::string::size_type slash = path.rfind('/');
  std::optional<std::string> text =
      ReadTrustedPidFile(path.substr(0, slash), path.c_str() + slash + 1);
  if (!text) {
    OutputLine() << "Failed to open " << kDeviceManagerPidFile;
    throw EndRun{1};
  }
  std::istringstream in(*text);
  std::optional<pid_t> pid = ReadDeviceManagerPid(in);
  if (!pid) {
    OutputLine() << "Failed to read device manager PID";
    throw EndRun{1};
  }
  kill(*pid, SIGHUP);
}
