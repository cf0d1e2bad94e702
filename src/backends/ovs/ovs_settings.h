#ifndef BACKENDS_OVS_OVS_SETTINGS_H_
#define BACKENDS_OVS_OVS_SETTINGS_H_

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "backends/ovsdb/peer_settings.h"
#include "backends/rows/setting_values.h"

namespace ovs_host {

// How the Open vSwitch backend reaches its host and what it makes there.
struct OvsSettings {
  // The switch database: "unix:PATH", "tcp:HOST:PORT" or "ssl:HOST:PORT", and where that
  // choice came from, for messages ("QUENTA_HOSTNET", "the default").
  std::string remote = "unix:/var/run/openvswitch/db.sock";
  std::string source = "the default";
  // The TLS files of an "ssl:" remote, and what is read from the database.
  ovsdb::PeerSettings peer;
  // datapath_type of the bridges it makes ("netdev", "system", "dummy").
  std::string datapathType = "netdev";
  // The pnics when the pnics setting lists them; otherwise the kernel's
  // physical network devices and bonds.
  std::optional<std::vector<std::string>> pnics;
  // How long a change that reaches the datapath waits for ovs-vswitchd to
  // apply it; zero: it does not wait, and nothing checks what the datapath
  // made of it.
  std::chrono::milliseconds applyWait{10000};
  // The longest any one request to the database may take.
  std::chrono::milliseconds requestTimeout{15000};
  // What the database's log keeps with each transaction: the command line.
  std::string comment;
};

// The settings of an Open vSwitch host at remote (empty for the local
// socket), chosen by source, from the keys datapath, pnics (blank-separated),
// apply-wait (seconds), and those of ParsePeerSettings of options. Throws
// QuorvicException naming a value that is malformed.
OvsSettings ParseOvsSettings(const std::string& remote, const std::string& source,
                             const rows::Options& options);

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_SETTINGS_H_
