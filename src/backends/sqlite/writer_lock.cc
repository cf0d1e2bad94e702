#include "backends/sqlite/writer_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "hostnet/quorvic_exception.h"

namespace sqlite_host {


namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& reason) {
  throw Quorvic::Lib::QuorvicException("cannot open host database " + path + ": " + reason);
}

void WakeUp(int) {}

// Interrupts a blocking call of this process when wait has passed: a timer
// raises SIGALRM, whose handler does nothing and lets the call fail with
// EINTR. The process's own timer and handler come back afterwards.
class Deadline {
 public:
  explicit Deadline(std::chrono::milliseconds wait) {
    struct sigaction action {};
    action.sa_handler = WakeUp;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: the call must give up
    sigaction(SIGALRM, &action, &oldAction_);
    const long ms = static_cast<long>(wait.count());
    struct itimerval timer {};
    timer.it_value.tv_sec = ms / 1000;
    timer.it_value.tv_usec = (ms % 1000) * 1000;
    setitimer(ITIMER_REAL, &timer, &oldTimer_);
  }
  ~Deadline() {
    struct itimerval off {};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &oldAction_, nullptr);
    setitimer(ITIMER_REAL, &oldTimer_, nullptr);
  }
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

 private:
  struct sigaction oldAction_ {};
  struct itimerval oldTimer_ {};
};

}  // namespace

WriterLock::WriterLock(std::string path, std::chrono::milliseconds wait)
    : path_(std::move(path)), wait_(wait) {}

WriterLock::~WriterLock() {
  if (fd_ >= 0) close(fd_);
}

void WriterLock::Acquire() {
  if (holds_ > 0) {
    ++holds_;
    return;
  }
  // Read-only is enough for flock, and leaves a read-only file lockable.
  fd_ = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) Refuse(path_, std::strerror(errno));
  int result = flock(fd_, LOCK_EX | LOCK_NB);
  if (result != 0 && errno == EWOULDBLOCK) {
    // No wait at all is the try above: a timer that fires before the
    // blocking call starts would leave it blocked for good.
    if (wait_.count() == 0) {
      errno = EINTR;
    } else {
      Deadline deadline(wait_);
      result = flock(fd_, LOCK_EX);
    }
  }
  if (result != 0) {
    const int error = errno;
    close(fd_);
    fd_ = -1;
    if (error == EINTR) {
      Refuse(path_, "another run kept it locked for " + std::to_string(wait_.count() / 1000) +
                        " s (QUENTA_HOSTNET_WAIT sets how long to wait)");
    }
    Refuse(path_, std::string("cannot lock it: ") + std::strerror(error));
  }
  holds_ = 1;
}

void WriterLock::Release() {
  if (--holds_ > 0) return;
  close(fd_);  // closing the last descriptor of the file drops the lock
  fd_ = -1;
}

}  // namespace sqlite_host
