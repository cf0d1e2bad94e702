#ifndef SUPPORT_TEST_CLUSTER_H_
#define SUPPORT_TEST_CLUSTER_H_

#include <sys/types.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "support/child_daemon.h"

namespace ovn {

// For tests: a private northbound database as a Raft cluster of three
// ovsdb-servers, in a temporary folder. The members talk to each other over
// unix sockets in that folder and listen for clients on loopback ports they
// chose. They are children of the test (ovsdb::ChildDaemon), stopped when the
// object goes, which then removes the folder.
class TestCluster {
 public:
  static constexpr const char* kSchema = "/usr/share/ovn/ovn-nb.ovsschema";
  static constexpr int kMembers = 3;
  // How long a follower hears nothing from its leader before it stands for
  // election (it adds up to a second more, at random).
  static constexpr std::chrono::milliseconds kElectionTimer{1000};
  // How long the members may go without a leader once theirs is gone, on a
  // loaded machine: the followers hear nothing for an election timeout, a
  // vote split between two candidates costs a second one, and two seconds
  // more cover the members and the test being scheduled late.
  static constexpr std::chrono::milliseconds kElectionBudget =
      2 * (kElectionTimer + std::chrono::seconds(1)) + std::chrono::seconds(2);

  // What the cluster needs and this host lacks, for a test to skip with;
  // empty when nothing is missing.
  static std::string Missing();

  // Creates the cluster and starts its members; returns once every member
  // has joined and one leads.
  // Throws std::runtime_error naming the step that failed.
  TestCluster();
  ~TestCluster();
  TestCluster(const TestCluster&) = delete;
  TestCluster& operator=(const TestCluster&) = delete;

  // Every member's client remote, comma-separated, as QUENTA_OVN_NB takes
  // them.
  std::string Remotes() const;
  // Member's client remote; a member started again listens on a new port.
  std::string Remote(int member) const;
  // The member that leads now; -1 when none does.
  int Leader() const;
  // Member's process, for tests that stop it (SIGSTOP) for a while; the
  // members get SIGCONT before they are stopped. 0 for a killed member.
  pid_t Pid(int member) const { return members_[member] ? members_[member]->Pid() : 0; }
  // Kills member (0 to 2) with SIGKILL, as a crash would.
  void Kill(int member);
  // Starts a killed member again on its database file; returns once it
  // listens for clients. Throws std::runtime_error when it does not.
  void Start(int member);

 private:
  bool WaitForLeader() const;
  // Whether member's _Server row for the database has column true.
  bool Says(int member, const std::string& column) const;

  std::string dir_;
  std::array<int, kMembers> clientPorts_{};
  std::array<std::unique_ptr<ovsdb::ChildDaemon>, kMembers> members_;
};

}  // namespace ovn

#endif  // SUPPORT_TEST_CLUSTER_H_
