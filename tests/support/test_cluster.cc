#include "support/test_cluster.h"

#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "support/test_server.h"
#include "hostnet/quorvic_exception.h"

namespace ovn {

namespace {

std::string Raft(int port) { return "tcp:127.0.0.1:" + std::to_string(port); }

}  // namespace

std::string TestCluster::Missing() { return ovsdb::TestServer::Missing(kSchema); }

TestCluster::TestCluster() {
  char folder[] = "/tmp/ovn-test-cluster.XXXXXX";
  if (mkdtemp(folder) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  dir_ = folder;
  for (int i = 0; i < kMembers; ++i) {
    clientPorts_[i] = ovsdb::FreePort();
    raftPorts_[i] = ovsdb::FreePort();
  }
  try {
    const std::string tool = ovsdb::FindProgram("ovsdb-tool");
    ovsdb::RunProgram({tool, "create-cluster", dir_ + "/nb0.db", kSchema, Raft(raftPorts_[0])});
    for (int i = 1; i < kMembers; ++i) {
      ovsdb::RunProgram({tool, "join-cluster", dir_ + "/nb" + std::to_string(i) + ".db",
                         "OVN_Northbound", Raft(raftPorts_[i]), Raft(raftPorts_[0])});
    }
    for (int i = 0; i < kMembers; ++i) Start(i);
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(e.what() + std::string(" (see ") + dir_ + ")");
  }
  if (!WaitForLeader()) throw std::runtime_error("no member leads (see " + dir_ + ")");
}

TestCluster::~TestCluster() {
  for (int i = 0; i < kMembers; ++i) {
    if (pids_[i] > 0) ovsdb::StopDaemon(pids_[i], dir_ + "/nb" + std::to_string(i) + ".pid");
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::string TestCluster::Remote(int member) const {
  return "tcp:127.0.0.1:" + std::to_string(clientPorts_[member]);
}

std::string TestCluster::Remotes() const {
  std::string remotes;
  for (int i = 0; i < kMembers; ++i) remotes += (i == 0 ? "" : ",") + Remote(i);
  return remotes;
}

void TestCluster::Start(int member) {
  const std::string name = dir_ + "/nb" + std::to_string(member);
  // --detach returns once the server listens; joining the cluster follows.
  ovsdb::RunProgram({ovsdb::FindProgram("ovsdb-server"), name + ".db",
                     "--remote=ptcp:" + std::to_string(clientPorts_[member]) + ":127.0.0.1",
                     "--pidfile=" + name + ".pid", "--detach", "-vconsole:off",
                     "--log-file=" + name + ".log", "--unixctl=" + name + ".ctl"});
  std::ifstream(name + ".pid") >> pids_[member];
}

void TestCluster::Kill(int member) {
  kill(pids_[member], SIGKILL);
  pids_[member] = 0;
}

int TestCluster::Leader() const {
  for (int i = 0; i < kMembers; ++i) {
    if (pids_[i] > 0 && Says(i, "leader")) return i;
  }
  return -1;
}

bool TestCluster::Says(int member, const std::string& column) const {
  try {
    ovsdb::Client client(Remote(member), std::chrono::seconds(2));
    auto rows = client.Transact(
        "_Server", {ovsdb::Select("Database", {ovsdb::Condition("name", "==", "OVN_Northbound")},
                                  {column})})[0]["rows"];
    return !rows.empty() && rows[0].value(column, false);
  } catch (const Quorvic::Lib::QuorvicException&) {
    return false;
  }
}

bool TestCluster::WaitForLeader() const {
  // A member that joined is connected once the leader has added it: until
  // then the others could not elect a leader without the first.
  for (int i = 0; i < 200; ++i) {
    bool joined = true;
    for (int member = 0; member < kMembers && joined; ++member) {
      joined = pids_[member] <= 0 || Says(member, "connected");
    }
    if (joined && Leader() >= 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace ovn
