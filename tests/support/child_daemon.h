#ifndef SUPPORT_CHILD_DAEMON_H_
#define SUPPORT_CHILD_DAEMON_H_

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace ovsdb {

// For tests: a daemon (ovsdb-server, ovs-vswitchd) run in the foreground as a
// child of the test process, so that it cannot outlive the test. The kernel
// kills it with SIGKILL when the thread that started it ends, however the
// test ends (a failed assertion, a crash, ctest's timeout, kill -9): create
// it on the thread that runs the tests, never on one that ends before them.
// A process forked from the test after the start does not own the daemon: its
// copy of the object leaves the daemon alone.
class ChildDaemon {
 public:
  // Starts argv (argv[0] a full path) with standard input from /dev/null,
  // standard output and error appended to the file output, and no other
  // descriptor of the test's. Throws std::runtime_error when it cannot fork.
  ChildDaemon(const std::vector<std::string>& argv, const std::string& output);
  // Stops the daemon as Stop does.
  ~ChildDaemon();
  ChildDaemon(const ChildDaemon&) = delete;
  ChildDaemon& operator=(const ChildDaemon&) = delete;

  // The daemon's process; 0 once it has ended and been reaped.
  pid_t Pid() const { return pid_; }
  // Polls ready every 10 ms until it holds. Throws std::runtime_error naming
  // what and the daemon's output file when the daemon ends first or timeout
  // passes.
  void AwaitReady(const std::string& what, const std::function<bool()>& ready,
                  std::chrono::milliseconds timeout);
  // Sends SIGCONT (it may be stopped) and SIGTERM, waits at most 5 s for the
  // daemon to end, then sends SIGKILL; returns once it is reaped.
  void Stop();
  // Sends SIGKILL, as a crash would; returns once the daemon is reaped.
  void Kill();

 private:
  // Whether the daemon still runs; reaps it when it has ended.
  bool Running();

  pid_t pid_ = 0;
  pid_t owner_ = 0;
  std::string output_;
};

}  // namespace ovsdb

#endif  // SUPPORT_CHILD_DAEMON_H_
