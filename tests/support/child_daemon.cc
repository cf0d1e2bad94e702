#include "support/child_daemon.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace ovsdb {

ChildDaemon::ChildDaemon(const std::vector<std::string>& argv, const std::string& output)
    : owner_(getpid()), output_(output) {
  // The child of a process that may run threads (a test's proxy) calls only
  // async-signal-safe functions: everything it needs is made here.
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const char* outputPath = output_.c_str();
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("cannot fork to start " + argv[0]);
  if (pid_ > 0) return;

  // Had the test died before the prctl, the kernel would never send the
  // signal: the daemon, adopted by another process by then, ends itself.
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != owner_) _exit(127);
  int in = open("/dev/null", O_RDONLY);
  int out = open(outputPath, O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) _exit(127);
  // A descriptor of the test's (a database's lock, a listening socket) must
  // not live on in the daemon.
  close_range(3, ~0U, 0);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execv(args[0], args.data());
  _exit(127);
}

ChildDaemon::~ChildDaemon() { Stop(); }

bool ChildDaemon::Running() {
  if (pid_ <= 0) return false;
  if (waitpid(pid_, nullptr, WNOHANG) == 0) return true;
  pid_ = 0;
  return false;
}

void ChildDaemon::AwaitReady(const std::string& what, const std::function<bool()>& ready,
                             std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!ready()) {
    if (!Running()) {
      throw std::runtime_error(what + ": the daemon ended first (its output: " + output_ + ")");
    }
    if (std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error(what + ": not within " + std::to_string(timeout.count()) +
                               " ms (its output: " + output_ + ")");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void ChildDaemon::Stop() {
  if (pid_ <= 0 || getpid() != owner_) return;
  // An unreaped child keeps its pid, so these signals cannot reach another
  // process.
  kill(pid_, SIGCONT);
  kill(pid_, SIGTERM);
  for (int i = 0; i < 500 && Running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  Kill();
}

void ChildDaemon::Kill() {
  if (pid_ <= 0 || getpid() != owner_) return;
  kill(pid_, SIGKILL);
  while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
  }
  pid_ = 0;
}

}  // namespace ovsdb
