#ifndef SUPPORT_TEST_CLUSTER_H_
#define SUPPORT_TEST_CLUSTER_H_

#include <sys/types.h>

#include <array>
#include <string>

namespace ovn {

// For tests: a private northbound database as a Raft cluster of three
// ovsdb-servers on 127.0.0.1, in a temporary folder. Its members are
// stopped by pid and the folder removed when the object goes.
class TestCluster {
 public:
  static constexpr const char* kSchema = "/usr/share/ovn/ovn-nb.ovsschema";
  static constexpr int kMembers = 3;

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
  // Member's client remote.
  std::string Remote(int member) const;
  // The member that leads now; -1 when none does.
  int Leader() const;
  // Member's process, for tests that stop it (SIGSTOP) for a while; the
  // members get SIGCONT before they are stopped.
  pid_t Pid(int member) const { return pids_[member]; }
  // Kills member (0 to 2) with SIGKILL, as a crash would.
  void Kill(int member);
  // Starts a killed member again on its database file.
  void Start(int member);

 private:
  bool WaitForLeader() const;
  // Whether member's _Server row for the database has column true.
  bool Says(int member, const std::string& column) const;

  std::string dir_;
  std::array<int, kMembers> clientPorts_{};
  std::array<int, kMembers> raftPorts_{};
  std::array<pid_t, kMembers> pids_{};
};

}  // namespace ovn

#endif  // SUPPORT_TEST_CLUSTER_H_
