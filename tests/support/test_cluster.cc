#include "support/test_cluster.h"

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "hostnet/quorvic_exception.h"
#include "support/test_server.h"

namespace ovn {

namespace {

// Raft addresses are fixed when the cluster is made, before any member runs,
// so a TCP port for them could be taken by another test in between; a unix
// socket in the cluster's own folder cannot.
std::string Raft(const std::string& dir, int member) {
  return "unix:" + dir + "/nb" + std::to_string(member) + ".raft";
}

}  // namespace

std::string TestCluster::Missing() { return ovsdb::TestServer::Missing(kSchema); }

TestCluster::TestCluster() {
  char folder[] = "/tmp/ovn-test-cluster.XXXXXX";
  if (mkdtemp(folder) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  dir_ = folder;
  try {
    const std::string tool = ovsdb::FindProgram("ovsdb-tool");
    ovsdb::RunProgram({tool, "--election-timer=" + std::to_string(kElectionTimer.count()),
                       "create-cluster", dir_ + "/nb0.db", kSchema, Raft(dir_, 0)});
    for (int i = 1; i < kMembers; ++i) {
      ovsdb::RunProgram({tool, "join-cluster", dir_ + "/nb" + std::to_string(i) + ".db",
                         "OVN_Northbound", Raft(dir_, i), Raft(dir_, 0)});
    }
    for (int i = 0; i < kMembers; ++i) Start(i);
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(e.what() + std::string(" (see ") + dir_ + ")");
  }
  if (!WaitForLeader()) throw std::runtime_error("no member leads (see " + dir_ + ")");
}

TestCluster::~TestCluster() {
  for (auto& member : members_) member.reset();
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
  const std::string log = name + ".log";
  // A member started again appends to its log: its port is the first one
  // logged after what is there now.
  std::error_code absent;
  const std::uintmax_t logged =
      std::filesystem::exists(log, absent) ? std::filesystem::file_size(log, absent) : 0;
  // Port 0: the kernel gives the member a port no other test holds.
  members_[member] = std::make_unique<ovsdb::ChildDaemon>(
      std::vector<std::string>{ovsdb::FindProgram("ovsdb-server"), name + ".db",
                               "--remote=ptcp:0:127.0.0.1", "-vconsole:off", "--log-file=" + log,
                               "--unixctl=" + name + ".ctl"},
      name + ".out");
  members_[member]->AwaitReady(
      "northbound member " + std::to_string(member) + " listening",
      [&] { return !ovsdb::PortsListenedOn(log, logged).empty(); }, ovsdb::kDaemonStartBudget);
  clientPorts_[member] = ovsdb::PortsListenedOn(log, logged)[0];
}

void TestCluster::Kill(int member) { members_[member]->Kill(); }

int TestCluster::Leader() const {
  for (int i = 0; i < kMembers; ++i) {
    if (Pid(i) > 0 && Says(i, "leader")) return i;
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
  const auto deadline = std::chrono::steady_clock::now() + ovsdb::kDaemonStartBudget;
  while (std::chrono::steady_clock::now() < deadline) {
    bool joined = true;
    for (int member = 0; member < kMembers && joined; ++member) {
      joined = Pid(member) <= 0 || Says(member, "connected");
    }
    if (joined && Leader() >= 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace ovn
