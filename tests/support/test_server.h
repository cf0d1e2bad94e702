#ifndef SUPPORT_TEST_SERVER_H_
#define SUPPORT_TEST_SERVER_H_

#include <sys/types.h>

#include <string>
#include <vector>

#include "backends/ovsdb/tls_settings.h"

namespace ovsdb {

// The full path of program on PATH or in the system's sbin folders, which a
// user's PATH often lacks; empty when it is not installed.
std::string FindProgram(const std::string& program);
// A TCP port on the loopback address that nothing listens on just now.
int FreePort();
// Runs argv to its end; throws std::runtime_error unless it exits with
// status 0.
void RunProgram(const std::vector<std::string>& argv);
// Stops a daemon that is not our child: it is gone when its pidfile is.
void StopDaemon(pid_t pid, const std::string& pidfile);

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
// loopback TCP port. It is stopped and its folder removed when the object
// goes.
class TestServer {
 public:
  // The schema of the switch database, from Open vSwitch.
  static constexpr const char* kSwitchSchema = "/usr/share/openvswitch/vswitch.ovsschema";

  // What a server with schema needs and this host lacks ("ovsdb-server",
  // "ovsdb-tool", the schema file), for a test to skip with; empty when
  // nothing is missing.
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
  // before the server. Throws std::runtime_error naming the step that failed.
  void StartSwitchDaemon();
  // The control socket of ovs-vswitchd, for ovs-appctl -t.
  std::string SwitchControl() const { return dir_ + "/vswitchd.ctl"; }

  std::string UnixRemote() const { return "unix:" + dir_ + "/db.sock"; }
  std::string TcpRemote() const { return "tcp:127.0.0.1:" + std::to_string(port_); }
  // The TLS remote, for a server started with TLS files.
  std::string SslRemote() const { return "ssl:127.0.0.1:" + std::to_string(sslPort_); }
  // The server's process, for tests that stop it (SIGSTOP) for a while.
  pid_t Pid() const { return pid_; }

 private:
  std::string dir_;
  int port_ = 0;
  int sslPort_ = 0;
  pid_t pid_ = 0;
  pid_t switchPid_ = 0;
};

}  // namespace ovsdb

#endif  // SUPPORT_TEST_SERVER_H_
