#include "harness.h"

#include <signal.h>
#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

constexpr size_t kShown = 10;

std::string Show(const Json& value) {
  std::string text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
  return text.size() > 120 ? text.substr(0, 117) + "..." : text;
}

size_t Walk(const Json& want, const Json& got, const std::string& path, std::ostream& out,
            size_t found) {
  if (want.type() == got.type() && want.is_object()) {
    for (const auto& item : want.items()) {
      const std::string at = path + "." + item.key();
      found = got.contains(item.key()) ? Walk(item.value(), got[item.key()], at, out, found)
                                       : Walk(item.value(), Json(), at, out, found);
    }
    for (const auto& item : got.items()) {
      if (!want.contains(item.key()))
        found = Walk(Json(), item.value(), path + "." + item.key(), out, found);
    }
    return found;
  }
  if (want.type() == got.type() && want.is_array()) {
    const size_t n = std::max(want.size(), got.size());
    for (size_t i = 0; i < n; ++i) {
      found = Walk(i < want.size() ? want[i] : Json(), i < got.size() ? got[i] : Json(),
                   path + "[" + std::to_string(i) + "]", out, found);
    }
    return found;
  }
  if (want == got) return found;
  if (found < kShown) {
    out << (path.empty() ? "." : path) << ": expected " << Show(want) << ", found " << Show(got)
        << "\n";
  }
  return found + 1;
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

std::string ShowCommand(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& arg : args) {
    if (!line.empty()) line += ' ';
    line += Json(arg).dump(-1, ' ', false, Json::error_handler_t::replace);
  }
  return line;
}

size_t ReportDifferences(const Json& want, const Json& got, const std::string& path,
                         std::ostream& out) {
  return Walk(want, got, path, out, 0);
}

std::string RunSql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string report;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    report = std::string("cannot open: ") + sqlite3_errmsg(db);
  }
  const char* rest = report.empty() ? sql.c_str() : "";
  while (*rest != '\0') {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, rest, -1, &st, &rest) != SQLITE_OK) {
      report += sql + ": " + sqlite3_errmsg(db) + "; ";
      break;
    }
    while (st != nullptr && sqlite3_step(st) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(st, 0);
      std::string row = text != nullptr ? reinterpret_cast<const char*>(text) : "";
      if (row != "ok") report += sqlite3_sql(st) + (": " + row) + "; ";
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return report;
}

Check::Check(int argc, char** argv, const char* usage, const std::string& prefix) {
  for (int i = 3; i + 1 < argc; i += 2) {
    char* end = nullptr;
    long value = std::strtol(argv[i + 1], &end, 10);
    if (std::strncmp(argv[i], "--", 2) != 0 || *end != '\0') argc = 0;
    numbers_.emplace_back(argv[i] + 2, value);
  }
  if (argc < 3 || argc % 2 == 0) {
    std::cerr << "usage: " << argv[0] << " PLONCFG_VSWITCH PLONCFG_HOST " << usage << "\n";
    std::exit(2);
  }
  vswitch_ = argv[1];
  host_ = argv[2];
  const char* base = std::getenv("TMPDIR");
  folder_ =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/" + prefix + ".XXXXXX";
  if (mkdtemp(folder_.data()) == nullptr) {
    throw std::runtime_error("mkdtemp " + folder_ + ": " + std::strerror(errno));
  }
}

long Check::Number(const std::string& name, long fallback) const {
  for (const auto& [key, value] : numbers_) {
    if (key == name) return value;
  }
  return fallback;
}

Tools Check::On(const std::string& file) const { return {vswitch_, host_, folder_ + "/" + file}; }

int Check::Finish(bool kept) const {
  if (!kept) {
    std::cout << "files kept in " << folder_ << "\n";
    return 1;
  }
  std::filesystem::remove_all(folder_);
  return 0;
}
