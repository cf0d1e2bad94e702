#ifndef SUPPORT_CHILD_DEADLINE_H_
#define SUPPORT_CHILD_DEADLINE_H_

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>

// For tests: a tool a test starts leads a process group of its own, dies
// with the test, and is killed with what it started past its deadline.

// In the child, before exec; parent is the test's pid from before the fork.
inline void TieToTest(pid_t parent) {
  setpgid(0, 0);
  // Had the test died before the prctl, no signal would come: ends itself.
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) _exit(127);
}

// Waits for child to end, killing its process group once deadline has
// passed (on Linux 5.3 and later, which have pidfds); returns its wait status.
inline int WaitWithin(pid_t child, std::chrono::microseconds deadline) {
  if (const int fd = static_cast<int>(syscall(SYS_pidfd_open, child, 0)); fd >= 0) {
    pollfd entry{fd, POLLIN, 0};
    const timespec wait{static_cast<time_t>(deadline.count() / 1000000),
                        static_cast<long>(deadline.count() % 1000000 * 1000)};
    int ready;
    while ((ready = ppoll(&entry, 1, &wait, nullptr)) < 0 && errno == EINTR) {
    }
    // A child that ended is a zombie until it is reaped: its group is its own.
    if (ready == 0) kill(-child, SIGKILL);
    close(fd);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

#endif  // SUPPORT_CHILD_DEADLINE_H_
