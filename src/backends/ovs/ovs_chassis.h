#ifndef BACKENDS_OVS_OVS_CHASSIS_H_
#define BACKENDS_OVS_OVS_CHASSIS_H_

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backends/ovs/ovs_connection.h"
#include "backends/ovsdb/guarded_change.h"
#include "backends/rows/chassis.h"

// This Open vSwitch host as a chassis of OVN, which carries DVSwitch traffic
// out through its pnics the way ovn-controller expects: for each physical
// network, a bridge of ours (datapath of the settings, external_ids
// "quenta:dvs-network" = the network) holding the pnics on one Port
// BRIDGE-uplink (a bond, active-backup, from two pnics up), and an entry
// NETWORK:BRIDGE in the root row's external_ids ovn-bridge-mappings, merged
// with the entries others made.
//
// Its name is the root row's external_ids system-id, which ovn-controller
// registers the chassis under, or the machine's host name where that is not
// set. The tunnel is Geneve from the interface that holds the root's
// ovn-encap-ip in this network namespace.
namespace ovs_host {

class OvsChassis : public rows::Chassis {
 public:
  explicit OvsChassis(OvsSettings settings);

  std::string Name() override;
  bool Carries() const override { return true; }
  // One guarded transaction of the switch database, applied by
  // ovs-vswitchd within apply-wait; when it then reports an error for a pnic
  // that joined, the change is undone and this throws naming the pnic.
  void Wire(const std::string& network, const std::vector<std::string>& pnics) override;
  std::vector<std::string> WiringBridges() override;
  std::optional<rows::Tunnel> ReadTunnel() override;

 private:
  std::vector<nlohmann::json> Read(std::vector<nlohmann::json> operations);
  // The root row's UUID and external_ids.
  std::pair<std::string, std::map<std::string, std::string>> ReadRoot();
  // Sends change, and waits until ovs-vswitchd applied it; false when a
  // guard failed.
  bool Commit(const ovsdb::GuardedChange& change);
  // Why interface failed to join, or empty when it did.
  std::string Refusal(const std::string& interface);

  OvsConnection connection_;
};

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_CHASSIS_H_
