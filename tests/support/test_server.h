#ifndef SUPPORT_TEST_SERVER_H_
#define SUPPORT_TEST_SERVER_H_

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "backends/ovsdb/tls_settings.h"
#include "support/child_daemon.h"

namespace ovsdb {

// The full path of program on PATH or in the system's sbin folders, which a
// user's PATH often lacks; empty when it is not installed.
std::string FindProgram(const std::string& program);
// Runs argv to its end; throws std::runtime_error unless it exits with
// status 0 within kDaemonStartBudget (then it is killed, with what it
// started).
void RunProgram(const std::vector<std::string>& argv);
// Whether the unix socket at path takes a connection now.
bool AcceptsConnections(const std::string& path);
// The TCP ports an Open vSwitch daemon's log says it listens on, in the order
// it opened them, from byte offset of the log on.
std::vector<int> PortsListenedOn(const std::string& log, std::uintmax_t offset = 0);
// How long a test daemon may take to start, on a loaded machine.
constexpr std::chrono::seconds kDaemonStartBudget{30};

// For tests: keys and certificates made with ovs-pki in a temporary folder,
// every one signed by the same new CA. The folder is removed when the
// object goes.
class TestPki {
 public:
  // "ovs-pki" when it is not installed; empty otherwise.
  static std::string Missing();
  // Makes the CA. Throws std::runtime_error when ovs-pki fails.
  TestPki();
  ~TestPki();
  TestPki(const TestPki&) = delete;
  TestPki& operator=(const TestPki&) = delete;

  // Makes NAME's private key (mode 0600) and a certificate the CA signed;
  // returns them with the CA's certificate.
  TlsFiles Sign(const std::string& name);

 private:
  std::string dir_;
};

// For tests: a private ovsdb-server with a fresh database made from a schema
// file, in a temporary folder, listening on a unix socket there and on a
// loopback TCP port it chose. Its daemons are children of the test
// (ChildDaemon), stopped when the object goes, which then removes the folder.
class TestServer {
 public:
  // The schema of the switch database, from Open vSwitch.
  static constexpr const char* kSwitchSchema = "/usr/share/openvswitch/vswitch.ovsschema";

  // What a server with schema needs and this host lacks ("ovsdb-server",
  // "ovsdb-tool", "ovs-appctl", the schema file), for a test to skip with;
  // empty when nothing is missing.
  static std::string Missing(const std::string& schema);

  // Creates the database and starts the server, which answers once this
  // returns. Throws std::runtime_error naming the step that failed.
  explicit TestServer(const std::string& schema);
  // As above, listening on a loopback port for TLS as well, with the
  // server's key, certificate and the CA that its clients' certificates
  // must verify against.
  TestServer(const std::string& schema, const TlsFiles& tls);
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  // What StartSwitchDaemon needs and this host lacks, as Missing says.
  static std::string MissingSwitchDaemon();
  // On a switch database: makes its root row and starts ovs-vswitchd on it
  // with the dummy datapath (no devices made, no root needed), stopped
  // before the server; returns once it has applied the database's contents.
  // Called again, kills ovs-vswitchd and starts a new one, which connects
  // at once where the old one would wait to reconnect. Throws
  // std::runtime_error naming the step that failed.
  void StartSwitchDaemon();
  // The control socket of ovs-vswitchd, for ovs-appctl -t.
  std::string SwitchControl() const { return dir_ + "/vswitchd.ctl"; }

  std::string UnixRemote() const { return "unix:" + dir_ + "/db.sock"; }
  // The database file, for ovsdb-tool show-log.
  std::string DatabaseFile() const { return dir_ + "/conf.db"; }
  // The TLS remote, for a server started with TLS files.
  std::string SslRemote() const { return "ssl:127.0.0.1:" + std::to_string(sslPort_); }
  // The server's process, for tests that stop it (SIGSTOP) for a while; 0
  // once killed.
  pid_t Pid() const { return server_->Pid(); }
  // Kills ovsdb-server with SIGKILL, as a crash would.
  void Kill() { server_->Kill(); }
  // Starts a killed ovsdb-server again on its database file; returns once
  // it takes connections on its unix socket. Throws std::runtime_error when
  // it does not.
  void Restart();

 private:
  std::string dir_;
  std::vector<std::string> argv_;  // the server's command line
  int sslPort_ = 0;
  std::unique_ptr<ChildDaemon> server_;
  std::unique_ptr<ChildDaemon> switchDaemon_;
};

}  // namespace ovsdb

#endif  // SUPPORT_TEST_SERVER_H_
