#include "run_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace {

// A pipe whose ends close themselves.
class Pipe {
 public:
  Pipe() {
    if (pipe2(fds_, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  int Read() const { return fds_[0]; }
  int Write() const { return fds_[1]; }
  void CloseRead() { Close(fds_[0]); }
  void CloseWrite() { Close(fds_[1]); }

 private:
  static void Close(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  int fds_[2] = {-1, -1};
};

}  // namespace

CommandOutput RunCommand(const std::string& command, const std::string& input,
                         const std::string& dir, const std::vector<std::string>& env) {
  Pipe in, out, err;
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
  for (const std::string& extra : env) {
    std::string name = extra.substr(0, extra.find('=') + 1);
    for (auto it = environment.begin(); it != environment.end();) {
      it = it->compare(0, name.size(), name) == 0 ? environment.erase(it) : it + 1;
    }
    environment.push_back(extra);
  }
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(in.Read(), 0);
    dup2(out.Write(), 1);
    dup2(err.Write(), 2);
    if (chdir(dir.c_str()) != 0) _exit(126);
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    execve("/bin/sh", const_cast<char**>(argv), envp.data());
    _exit(127);
  }
  in.CloseRead();
  out.CloseWrite();
  err.CloseWrite();

  // Feed input and drain both outputs together so that no pipe fills up.
  signal(SIGPIPE, SIG_IGN);
  CommandOutput result;
  size_t written = 0;
  if (input.empty()) in.CloseWrite();
  while (out.Read() >= 0 || err.Read() >= 0) {
    pollfd fds[3] = {{out.Read(), POLLIN, 0}, {err.Read(), POLLIN, 0}, {in.Write(), POLLOUT, 0}};
    if (poll(fds, 3, -1) < 0) continue;
    char buffer[65536];
    for (int i = 0; i < 2; ++i) {
      if (fds[i].revents == 0) continue;
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buffer, n);
      } else {
        i == 0 ? out.CloseRead() : err.CloseRead();
      }
    }
    if (fds[2].revents != 0) {
      ssize_t n = write(in.Write(), input.data() + written, input.size() - written);
      if (n > 0) written += n;
      if (n <= 0 || written == input.size()) in.CloseWrite();
    }
  }
  in.CloseWrite();
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}
