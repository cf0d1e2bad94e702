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

namespace ovn {

// The name of the northbound database.
constexpr const char* kNorthbound = "OVN_Northbound";

// A connection to the member of the northbound database that leads it (a
// database that is not clustered leads itself). A member is trusted only when
// its _Server.Database row for the database says it is connected to its
// cluster and leads it, so that what is read there is current and a change
// sent there is committed by the cluster or refused.
class LeaderLink {
 public:
  explicit LeaderLink(OvnSettings settings);

  // The leader's connection, made on first use and after Drop: the remotes
  // are asked in turn, again and again while an election runs, for the
  // settings' timeout at the most. Each member has ProbeBudget() to connect
  // and answer; one that takes it all is asked after the others in later
  // rounds, so a hung member never stops a run while another leads. Throws
  // "no member of the OVN northbound database (REMOTES) leads it after T:
  // REMOTE: WHAT; ...", what each remote did last, when none did.
  ovsdb::Client& Leader();
  // Forgets the connection, after it failed or timed out.
  void Drop() { client_.reset(); }

  // Runs the read-only operations through the leader; a connection that
  // fails is dropped and the leader found again, once.
  std::vector<nlohmann::json> Read(const std::vector<nlohmann::json>& operations);
  // Runs the read-only operations on the first member that answers within a
  // second (the timeout, when shorter), leader or not: what it says may be
  // out of date. nullopt when none answers; a member holding a write its
  // cluster cannot commit answers no reads.
  std::optional<std::vector<nlohmann::json>> ReadAnyMember(
      const std::vector<nlohmann::json>& operations);

  const OvnSettings& Settings() const { return settings_; }
  // How long one member may take to connect and say whether it leads.
  std::chrono::milliseconds ProbeBudget() const;
  // "tcp:A, tcp:B", for messages.
  std::string Remotes() const;

 private:
  OvnSettings settings_;
  std::unique_ptr<ovsdb::Client> client_;
  std::size_t next_ = 0;  // the remote to try first
};

}  // namespace ovn

#endif  // BACKENDS_OVN_LEADER_LINK_H_
