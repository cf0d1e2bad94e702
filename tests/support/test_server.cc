#include "support/test_server.h"

#include <sys/socket.h>
#include <sys/un.h>
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

#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "hostnet/quorvic_exception.h"
#include "support/child_deadline.h"

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

void RunProgram(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const pid_t parent = getpid();
  pid_t child = fork();
  if (child == 0) {
    TieToTest(parent);
    execv(args[0], args.data());
    _exit(127);
  }
  if (child < 0) throw std::runtime_error("cannot fork to run " + argv[0]);
  const int status = WaitWithin(child, kDaemonStartBudget);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error(argv[0] + " " + argv[1] + " failed");
  }
}

bool AcceptsConnections(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  path.copy(address.sun_path, path.size());
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  bool accepted =
      fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (fd >= 0) close(fd);
  return accepted;
}

std::vector<int> PortsListenedOn(const std::string& log, std::uintmax_t offset) {
  std::ifstream in(log);
  in.seekg(static_cast<std::streamoff>(offset));
  const std::string said = ": listening on port ";
  std::vector<int> ports;
  for (std::string line; std::getline(in, line);) {
    std::string::size_type at = line.find(said);
    // A line still being written has no port yet, or not all of it.
    if (at != std::string::npos && !in.eof()) {
      ports.push_back(std::stoi(line.substr(at + said.size())));
    }
  }
  return ports;
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
    if (switchDaemon_) {
      switchDaemon_->Kill();
    } else {
      RunProgram({FindProgram("ovs-vsctl"), "--db=" + UnixRemote(), "--no-wait", "init"});
    }
    switchDaemon_ = std::make_unique<ChildDaemon>(
        std::vector<std::string>{FindProgram("ovs-vswitchd"), UnixRemote(), "--enable-dummy",
                                 "--disable-system", "--disable-system-route", "-vconsole:off",
                                 "--log-file=" + dir_ + "/vswitchd.log",
                                 "--unixctl=" + SwitchControl()},
        dir_ + "/vswitchd.out");
    // ovs-vswitchd writes the datapath types it offers once it has read the
    // database and applied it.
    switchDaemon_->AwaitReady(
        "ovs-vswitchd applying the database",
        [this] {
          try {
            Client client(UnixRemote(), std::chrono::seconds(2));
            nlohmann::json types = client.Transact(
                "Open_vSwitch",
                {Select("Open_vSwitch", {}, {"datapath_types"})})[0]["rows"][0]["datapath_types"];
            return types != nlohmann::json::array({"set", nlohmann::json::array()});
          } catch (const Quorvic::Lib::QuorvicException&) {
            return false;
          }
        },
        kDaemonStartBudget);
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(e.what() + std::string(" (see ") + dir_ + ")");
  }
}

std::string TestServer::Missing(const std::string& schema) {
  std::string missing;
  for (const char* program : {"ovsdb-server", "ovsdb-tool", "ovs-appctl"}) {
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
  const std::string log = dir_ + "/ovsdb.log";
  const std::string control = dir_ + "/ovsdb.ctl";
  try {
    RunProgram({FindProgram("ovsdb-tool"), "create", dir_ + "/conf.db", schema});
    // Port 0: the kernel gives the server a port no one else holds, which a
    // port chosen here and bound later could not promise with other tests
    // starting servers at the same time. The server's log says which.
    std::vector<std::string> argv = {
        FindProgram("ovsdb-server"), dir_ + "/conf.db", "--remote=punix:" + dir_ + "/db.sock",
        "--remote=ptcp:0:127.0.0.1", "-vconsole:off",   "--log-file=" + log,
        "--unixctl=" + control};
    if (!tls.privateKey.empty()) {
      argv.insert(argv.end(), {"--private-key=" + tls.privateKey,
                               "--certificate=" + tls.certificate, "--ca-cert=" + tls.caCert});
    }
    argv_ = argv;
    server_ = std::make_unique<ChildDaemon>(argv, dir_ + "/ovsdb.out");
    // The control socket comes up apart from the listeners, sometimes after
    // them, and the TLS listener below is added through it.
    server_->AwaitReady(
        "ovsdb-server listening",
        [&] {
          return AcceptsConnections(dir_ + "/db.sock") && AcceptsConnections(control) &&
                 !PortsListenedOn(log).empty();
        },
        kDaemonStartBudget);
    if (!tls.privateKey.empty()) {
      // Added once the TCP port is known, so that the log's next port is the
      // TLS one.
      RunProgram({FindProgram("ovs-appctl"), "-t", control, "ovsdb-server/add-remote",
                  "pssl:0:127.0.0.1"});
      server_->AwaitReady(
          "ovsdb-server listening for TLS", [&] { return PortsListenedOn(log).size() >= 2; },
          kDaemonStartBudget);
      sslPort_ = PortsListenedOn(log)[1];
    }
  } catch (const std::runtime_error& e) {
    // The folder stays for a person to read the server's log.
    throw std::runtime_error(e.what() + std::string(" (see ") + dir_ + ")");
  }
}

void TestServer::Restart() {
  server_ = std::make_unique<ChildDaemon>(argv_, dir_ + "/ovsdb.out");
  server_->AwaitReady(
      "ovsdb-server listening again", [&] { return AcceptsConnections(dir_ + "/db.sock"); },
      kDaemonStartBudget);
}

TestServer::~TestServer() {
  switchDaemon_.reset();
  server_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

}  // namespace ovsdb
