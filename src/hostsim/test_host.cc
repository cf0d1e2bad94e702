#include "hostsim/test_host.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "host_json_print.h"
#include "host_json_read.h"
#include "hostnet/quorvic_exception.h"
#include "hostsim/host_constants.h"
#include "hostsim/host_database.h"

namespace hostsim {

TempHost::TempHost() {
  std::string pattern = (std::filesystem::temp_directory_path() / "hostsim-XXXXXX").string();
  dir_ = mkdtemp(pattern.data());
  path_ = dir_ + "/hostnet.db";
  setenv(kDatabaseEnvironment, path_.c_str(), 1);
}

TempHost::~TempHost() {
  unsetenv(kDatabaseEnvironment);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::unique_ptr<Connection> TempHost::Open() const { return OpenHostDatabase(path_); }

void TempHost::Load(const std::string& json) const {
  std::unique_ptr<Connection> db = Open();
  Store(*db).ReplaceHost(HostFromJson(json));
}

std::string TempHost::Dump() const {
  std::unique_ptr<Connection> db = Open();
  return HostToJson(Store(*db).ReadHost());
}

std::string InChild(const std::function<std::string()>& body) {
  int fds[2];
  if (pipe(fds) != 0) return "pipe failed";
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::string result;
    try {
      result = body();
    } catch (const Quorvic::Lib::QuorvicException& e) {
      result = "throws " + e.GetDetailedMessage();
    }
    size_t written = 0;
    while (written < result.size()) {
      ssize_t n = write(fds[1], result.data() + written, result.size() - written);
      if (n <= 0) break;
      written += static_cast<size_t>(n);
    }
    _exit(0);
  }
  close(fds[1]);
  std::string result;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
    result.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child died";
  return result;
}

}  // namespace hostsim
