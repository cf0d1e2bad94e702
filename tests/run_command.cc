#include "run_command.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "support/child_deadline.h"

extern char** environ;

namespace {

// Longer than any run of a tool takes, even under the sanitizers.
constexpr std::chrono::seconds kDeadline{60};

// An anonymous in-memory file: a child writes its output there without any
// pipe that could fill up, and the parent reads it back afterwards.
struct MemoryFile {
  int fd = memfd_create("ploncfg-test", MFD_CLOEXEC);
  MemoryFile() {
    if (fd < 0) throw std::runtime_error("memfd_create failed");
  }
  ~MemoryFile() { close(fd); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  std::string ReadAll() const {
    std::string text;
    char buffer[65536];
    ssize_t n;
    for (off_t at = 0; (n = pread(fd, buffer, sizeof buffer, at)) > 0; at += n) {
      text.append(buffer, static_cast<size_t>(n));
    }
    return text;
  }
};

}  // namespace

CommandOutput RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::string& input, const std::string& dir, long killAfterMicros) {
  MemoryFile in, out, err;
  if (pwrite(in.fd, input.data(), input.size(), 0) != static_cast<ssize_t>(input.size())) {
    throw std::runtime_error("cannot write a memory file");
  }
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
  for (const std::string& extra : env) {
    const std::string name = extra.substr(0, extra.find('=') + 1);
    for (auto it = environment.begin(); it != environment.end();) {
      it = it->compare(0, name.size(), name) == 0 ? environment.erase(it) : it + 1;
    }
    environment.push_back(extra);
  }
  std::vector<char*> args, envp;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  for (std::string& e : environment) envp.push_back(e.data());
  args.push_back(nullptr);
  envp.push_back(nullptr);

  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    TieToTest(parent);
    dup2(in.fd, 0);
    dup2(out.fd, 1);
    dup2(err.fd, 2);
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
    execve(args[0], args.data(), envp.data());
    _exit(127);
  }
  const int status =
      WaitWithin(pid, killAfterMicros > 0 ? std::chrono::microseconds(killAfterMicros) : kDeadline);
  CommandOutput result;
  result.out = out.ReadAll();
  result.err = err.ReadAll();
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  return result;
}
