#ifndef BACKENDS_OVN_LEADER_LINK_H_
#define BACKENDS_OVN_LEADER_LINK_H_

#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "backends/ovn/ovn_settings.h"
#include "backends/ovsdb/client.h"
#include "backends/ovsdb/connector.h"

namespace ovn {

// The name of the northbound database.
constexpr const char* kNorthbound = "OVN_Northbound";

// Connections to the member of the northbound database that leads it (a
// database that is not clustered leads itself). A member is trusted only when
// its _Server.Database row for the database says it is connected to its
// cluster and leads it, so that what is read there is current and a change
// sent there is committed by the cluster or refused.
class LeaderLink : public ovsdb::Connector {
 public:
  explicit LeaderLink(OvnSettings settings);

  // A connection to the leader: the remotes are asked in turn, from the one
  // that led last, again and again while an election runs, until deadline.
  // Each member has a quarter second to connect and answer in the first
  // round, twice as long in each later one, up to ProbeBudget(); one that
  // takes it all is asked after the others in later rounds, so a hung
  // member never stops a run while another leads. The first round starts
  // at any member, so that runs on many hosts at once spread over them. Throws "no member of the
  // OVN northbound database (REMOTES) leads it after T: REMOTE: WHAT; ...", what each remote did
  // last, when none did.
  std::unique_ptr<ovsdb::Client> Connect(ovsdb::Deadline deadline) override;
  // "the OVN northbound database (REMOTES)".
  std::string Describe() const override;

  // Each member that cannot be reached within ProbeBudget(), or that is
  // not connected to its cluster, as "REMOTE: WHAT"; a member that follows
  // the leader is well.
  std::vector<std::string> ProbeMembers();

  // How long one member may take to connect and say whether it leads.
  std::chrono::milliseconds ProbeBudget() const;
  // "tcp:A, tcp:B", for messages.
  std::string Remotes() const;

 private:
  OvnSettings settings_;
  std::size_t next_ = 0;  // the remote to try first
};

}  // namespace ovn

#endif  // BACKENDS_OVN_LEADER_LINK_H_
