#ifndef SUPPORT_CHILD_DEADLINE_H_
#define SUPPORT_CHILD_DEADLINE_H_

#include <errno.h>
#include <poll.h>
#include <time.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

// For tests: how a tool a test starts is kept from outliving the test or
// its deadline. The child, right after fork, leads a process group of its
// own and gets SIGKILL when the test ends; a wait past the deadline kills the
// whole group, with whatever the child started.

// In the child, before exec; parent is the test's pid from before the fork.
inline void TieToTest(pid_t parent) {
  setpgid(0, 0);
  // Had the test died before the prctl, the kernel would never send the
  // signal: the child ends itself.
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) _exit(127);
}

// Waits for child to end, killing its process group once deadline has
// passed; returns its wait status.
inline int WaitWithin(pid_t child, std::chrono::microseconds deadline) {
  const int fd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
  pollfd entry{fd, POLLIN, 0};
  const timespec wait{static_cast<time_t>(deadline.count() / 1000000),
                      static_cast<long>(deadline.count() % 1000000 * 1000)};
  int ready;
  while ((ready = ppoll(&entry, 1, &wait, nullptr)) < 0 && errno == EINTR) {
  }
  // An ended child stays a zombie until it is reaped below, so its group
  // cannot have gone to other processes.
  if (fd < 0 || ready == 0) kill(-child, SIGKILL);
  if (fd >= 0) close(fd);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

#endif  // SUPPORT_CHILD_DEADLINE_H_
