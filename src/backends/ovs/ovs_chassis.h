#ifndef BACKENDS_OVS_OVS_CHASSIS_H_
#define BACKENDS_OVS_OVS_CHASSIS_H_

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backends/ovs/ovs_session.h"
#include "backends/ovsdb/client.h"
#include "backends/ovsdb/guarded_change.h"
#include "backends/rows/chassis.h"

// This Open vSwitch host as a chassis of OVN, which carries DVSwitch traffic
// out through its pnics the way ovn-controller expects: for each physical
// network, a bridge of ours (datapath of the settings; external_ids
// "quenta:role" = "dvs-uplinks", "quenta:dvs-network" = the network and
// "quenta:dvswitch" = the DVSwitch) holding the pnics on one Port
// BRIDGE-uplink (a bond, active-backup, from two pnics up), and an entry
// NETWORK:BRIDGE in the root row's external_ids ovn-bridge-mappings, merged
// with the entries others made.
//
// Its name is the root row's external_ids system-id, which ovn-controller
// registers the chassis under, or the machine's host name where that is not
// set. The tunnel is Geneve from the interface that holds the root's
// ovn-encap-ip in this network namespace. A VM of this host is bound to a
// logical port when its Interface's external_ids iface-id names the port;
// the host of another's is read from the southbound database that the
// root's external_ids ovn-remote names, as ovn-controller reads it.
namespace ovs_host {

class OvsChassis : public rows::Chassis {
 public:
  // session, the host's, must outlive this.
  explicit OvsChassis(OvsSession& session) : session_(session) {}

  std::string Name() override;
  bool Carries() const override { return true; }
  // One guarded transaction of the switch database, built on what it reads
  // of it (with the DVSwitch's lookup, after ExpectWiring, or in one request
  // of its own); confirmed applied by ovs-vswitchd within apply-wait
  // (OvsSession::ConfirmApplied). When ovs-vswitchd reports an error for a
  // pnic that joined, the change is undone, the staged history row says
  // refused, and this throws naming the pnic.
  void Wire(const std::string& network, const std::string& dvswitch,
            const std::vector<std::string>& pnics) override;
  // Reads network's bridge, its uplink port and this host's pnics along
  // with the next request (unless they are read or waiting already); the
  // first Wire of network then reads nothing more.
  void ExpectWiring(const std::string& network) override;
  // One request: every bridge that names a network of ours (earlier
  // builds' name no role), and the bridge mappings entries of our networks.
  std::vector<rows::WiringRead> ReadWiring() override;
  // From the root row as this run read it: a bridge of ours whose entry
  // was taken out of the bridge mappings by hand is left to Rewire.
  bool MayBeWiredBeyond(const std::string& network) override;
  std::optional<std::string> DVSwitchHolding(const std::string& pnic) override;
  // One request for this host's interfaces that name the ports, and, when
  // some port has none here, one of the southbound database (AskSouthbound).
  std::map<std::string, rows::DVPortBinding> Bindings(
      const std::vector<std::string>& ports) override;
  std::optional<rows::Tunnel> ReadTunnel() override;

 private:
  // What Wire reads for network, read along with another request: the
  // pnics whose interfaces were read, and the results.
  struct Expected {
    std::string network;
    std::vector<std::string> pnics;
    std::vector<nlohmann::json> found;
  };
  // The results of WiringReads(bridge, pnics): those read along for
  // network when they cover pnics (once), else read now.
  std::vector<nlohmann::json> ReadWiringRows(const std::string& network, const std::string& bridge,
                                             const std::vector<std::string>& pnics);

  // The southbound database's results of selects: asked on the connection
  // this object keeps, or, when it has none or that one fails, of each
  // member of ovn-remote in turn (a second each at most), the first that
  // answers being kept; nullopt when none answers.
  std::optional<std::vector<nlohmann::json>> AskSouthbound(
      const std::vector<nlohmann::json>& selects);

  OvsSession& session_;
  std::unique_ptr<ovsdb::Client> southbound_;
  std::optional<Expected> expected_;
  std::string pending_;  // the network whose reads wait for a request to ride
};

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_CHASSIS_H_
