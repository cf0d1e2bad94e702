#include "support/test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace ovsdb {

std::string FindProgram(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(std::string(path ? path : "") + ":/usr/local/sbin:/usr/sbin:/sbin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    std::string candidate = dir + "/" + program;
    if (!dir.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

void RunProgram(const std::vector<std::string>& argv) {
  pid_t child = fork();
  if (child == 0) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    throw std::runtime_error(argv[0] + " " + argv[1] + " failed");
  }
}

void StopDaemon(pid_t pid, const std::string& pidfile) {
  kill(pid, SIGCONT);
  kill(pid, SIGTERM);
  for (int i = 0; i < 500 && std::filesystem::exists(pidfile); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (std::filesystem::exists(pidfile)) kill(pid, SIGKILL);
}

std::string TestServer::MissingSwitchDaemon() {
  std::string missing = Missing(kSwitchSchema);
  for (const char* program : {"ovs-vswitchd", "ovs-vsctl"}) {
    if (FindProgram(program).empty()) missing += std::string(missing.empty() ? "" : ", ") + program;
  }
  return missing;
}

void TestServer::StartSwitchDaemon() {
  try {
    RunProgram({FindProgram("ovs-vsctl"), "--db=" + UnixRemote(), "--no-wait", "init"});
    RunProgram({FindProgram("ovs-vswitchd"), UnixRemote(), "--enable-dummy", "--disable-system",
                "--disable-system-route", "--pidfile=" + dir_ + "/vswitchd.pid", "--detach",
                "-vconsole:off", "--log-file=" + dir_ + "/vswitchd.log",
                "--unixctl=" + SwitchControl()});
    std::ifstream(dir_ + "/vswitchd.pid") >> switchPid_;
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(e.what() + std::string(" (see ") + dir_ + ")");
  }
}

std::string TestServer::Missing(const std::string& schema) {
  std::string missing;
  for (const char* program : {"ovsdb-server", "ovsdb-tool"}) {
    if (FindProgram(program).empty()) missing += std::string(missing.empty() ? "" : ", ") + program;
  }
  if (access(schema.c_str(), R_OK) != 0) missing += (missing.empty() ? "" : ", ") + schema;
  return missing;
}

std::string TestPki::Missing() { return FindProgram("ovs-pki").empty() ? "ovs-pki" : ""; }

TestPki::TestPki() {
  char folder[] = "/tmp/ovsdb-test-pki.XXXXXX";
  if (mkdtemp(folder) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  dir_ = folder;
  RunProgram(
      {FindProgram("ovs-pki"), "--dir=" + dir_ + "/pki", "--log=" + dir_ + "/pki.log", "init"});
}

TestPki::~TestPki() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

TlsFiles TestPki::Sign(const std::string& name) {
  // ovs-pki writes NAME's files in the folder it runs in.
  RunProgram({"/bin/sh", "-c",
              "cd \"$0\" && exec \"$1\" --dir=pki --log=pki.log req+sign \"$2\" >/dev/null", dir_,
              FindProgram("ovs-pki"), name});
  return {dir_ + "/" + name + "-privkey.pem", dir_ + "/" + name + "-cert.pem",
          dir_ + "/pki/switchca/cacert.pem"};
}

TestServer::TestServer(const std::string& schema) : TestServer(schema, TlsFiles{}) {}

TestServer::TestServer(const std::string& schema, const TlsFiles& tls) {
  char folder[] = "/tmp/ovsdb-test-server.XXXXXX";
  if (mkdtemp(folder) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  dir_ = folder;
  port_ = FreePort();
  try {
    RunProgram({FindProgram("ovsdb-tool"), "create", dir_ + "/conf.db", schema});
    std::vector<std::string> argv = {FindProgram("ovsdb-server"),
                                     dir_ + "/conf.db",
                                     "--remote=punix:" + dir_ + "/db.sock",
                                     "--remote=ptcp:" + std::to_string(port_) + ":127.0.0.1",
                                     "--pidfile=" + dir_ + "/ovsdb.pid",
                                     "--detach",
                                     "-vconsole:off",
                                     "--log-file=" + dir_ + "/ovsdb.log",
                                     "--unixctl=" + dir_ + "/ovsdb.ctl"};
    if (!tls.privateKey.empty()) {
      // The kernel picks the port; the log says which.
      argv.insert(argv.end(), {"--remote=pssl:0:127.0.0.1", "--private-key=" + tls.privateKey,
                               "--certificate=" + tls.certificate, "--ca-cert=" + tls.caCert});
    }
    // --detach returns once the server listens.
    RunProgram(argv);
    std::ifstream(dir_ + "/ovsdb.pid") >> pid_;
    if (!tls.privateKey.empty()) {
      std::ifstream log(dir_ + "/ovsdb.log");
      const std::string said = "0:127.0.0.1: listening on port ";
      for (std::string line; sslPort_ == 0 && std::getline(log, line);) {
        std::string::size_type at = line.find(said);
        if (at != std::string::npos) sslPort_ = std::stoi(line.substr(at + said.size()));
      }
      if (sslPort_ == 0) throw std::runtime_error("ovsdb-server logged no TLS port");
    }
  } catch (const std::runtime_error& e) {
    // The folder stays for a person to read the server's log.
    throw std::runtime_error(e.what() + std::string(" (see ") + dir_ + ")");
  }
}

TestServer::~TestServer() {
  if (switchPid_ > 0) StopDaemon(switchPid_, dir_ + "/vswitchd.pid");
  if (pid_ > 0) StopDaemon(pid_, dir_ + "/ovsdb.pid");
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

}  // namespace ovsdb
