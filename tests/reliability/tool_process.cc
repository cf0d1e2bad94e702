#include "tool_process.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>

namespace {

// An anonymous in-memory file: a child writes its output there without any
// pipe that could fill up, and the parent reads it back afterwards.
class MemoryFile {
 public:
  MemoryFile() : fd_(memfd_create("ploncfg-reliability", MFD_CLOEXEC)) {
    if (fd_ < 0) throw std::runtime_error(std::string("memfd_create: ") + std::strerror(errno));
  }
  ~MemoryFile() { close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  int fd() const { return fd_; }

  void Write(const std::string& text) {
    for (size_t done = 0; done < text.size();) {
      ssize_t n = write(fd_, text.data() + done, text.size() - done);
      if (n <= 0) throw std::runtime_error("cannot write a memory file");
      done += static_cast<size_t>(n);
    }
    lseek(fd_, 0, SEEK_SET);
  }

  std::string ReadAll() const {
    std::string text;
    char buffer[65536];
    ssize_t n;
    for (off_t at = 0; (n = pread(fd_, buffer, sizeof buffer, at)) > 0; at += n) {
      text.append(buffer, static_cast<size_t>(n));
    }
    return text;
  }

 private:
  int fd_;
};

pid_t Start(const std::string& program, const std::vector<std::string>& args, const std::string& db,
            const MemoryFile& in, const MemoryFile& out, const MemoryFile& err) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  if (pid == 0) {
    dup2(in.fd(), 0);
    dup2(out.fd(), 1);
    dup2(err.fd(), 2);
    setenv("QUENTA_HOSTNET_DB", db.c_str(), 1);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

ProcessResult Finish(pid_t pid, const MemoryFile& out, const MemoryFile& err) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  ProcessResult result;
  result.out = out.ReadAll();
  result.err = err.ReadAll();
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  return result;
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& db, const std::string& input) {
  MemoryFile in, out, err;
  in.Write(input);
  return Finish(Start(program, args, db, in, out, err), out, err);
}

ProcessResult RunAndKill(const std::string& program, const std::vector<std::string>& args,
                         const std::string& db, long delayMicros) {
  MemoryFile in, out, err;
  pid_t pid = Start(program, args, db, in, out, err);
  timespec delay{delayMicros / 1000000, (delayMicros % 1000000) * 1000};
  while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
  }
  // An ended child stays a zombie until Finish reaps it, so its pid cannot
  // have gone to another process.
  kill(pid, SIGKILL);
  return Finish(pid, out, err);
}

ProcessResult Tools::Vswitch(const std::vector<std::string>& args) const {
  return RunProcess(vswitch, args, db);
}

ProcessResult Tools::Host(const std::vector<std::string>& args, const std::string& input) const {
  return RunProcess(host, args, db, input);
}

void Tools::Load(const Json& document) const {
  ProcessResult load = Host({"load", "-"}, document.dump());
  if (load.status != 0) throw std::runtime_error("ploncfg-host load failed: " + load.err);
}

Json Tools::Dump() const {
  ProcessResult dump = Host({"dump"});
  if (dump.status != 0) {
    throw std::runtime_error("ploncfg-host dump exited with " + std::to_string(dump.status) + ": " +
                             dump.err);
  }
  try {
    return Json::parse(dump.out);
  } catch (const nlohmann::json::exception& e) {
    throw std::runtime_error(std::string("ploncfg-host dump printed no JSON: ") + e.what());
  }
}

std::string MakeTempFolder(const std::string& prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/" + prefix + ".XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("mkdtemp " + pattern + ": " + std::strerror(errno));
  }
  return pattern;
}

std::string ShowCommand(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& arg : args) {
    if (!line.empty()) line += ' ';
    line += Json(arg).dump(-1, ' ', false, Json::error_handler_t::replace);
  }
  return line;
}

Arguments::Arguments(int argc, char** argv, const char* usage) {
  if (argc < 3 || argc % 2 == 0) {
    std::cerr << "usage: " << argv[0] << " PLONCFG_VSWITCH PLONCFG_HOST " << usage << "\n";
    std::exit(2);
  }
  vswitch_ = argv[1];
  host_ = argv[2];
  for (int i = 3; i + 1 < argc; i += 2) {
    char* end = nullptr;
    long value = std::strtol(argv[i + 1], &end, 10);
    if (std::strncmp(argv[i], "--", 2) != 0 || *end != '\0') {
      std::cerr << "usage: " << argv[0] << " PLONCFG_VSWITCH PLONCFG_HOST " << usage << "\n";
      std::exit(2);
    }
    numbers_.emplace_back(argv[i] + 2, value);
  }
}

long Arguments::Number(const std::string& name, long fallback) const {
  for (const auto& [key, value] : numbers_) {
    if (key == name) return value;
  }
  return fallback;
}
