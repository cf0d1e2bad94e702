#ifndef BACKENDS_OVN_OVN_SETTINGS_H_
#define BACKENDS_OVN_OVN_SETTINGS_H_

#include <chrono>
#include <string>
#include <vector>

#include "backends/ovsdb/peer_settings.h"

namespace ovn {

// Where the DVSwitches of a host live: the members of OVN's northbound
// database (any of them; a cluster's leader is found from there), and how
// long a run waits for the cluster at each step.
struct OvnSettings {
  static constexpr std::chrono::seconds kDefaultTimeout{15};

  // "tcp:HOST:PORT", "ssl:HOST:PORT" or "unix:PATH" each.
  std::vector<std::string> remotes;
  // Finding the leader, and each request to it, take this long at the most.
  std::chrono::milliseconds timeout = kDefaultTimeout;
  // The TLS files of "ssl:" members, and what is read from any member.
  ovsdb::PeerSettings peer;
  // What the database's log keeps with each transaction: the command line.
  std::string comment;
};

// The settings that remotes (comma-separated, as QUENTA_OVN_NB gives them)
// and timeout (whole seconds, 1 to 3600; empty for the default) say. Throws
// Quorvic::Lib::QuorvicException naming the value that is malformed.
OvnSettings ParseOvnSettings(const std::string& remotes, const std::string& timeout);

}  // namespace ovn

#endif  // BACKENDS_OVN_OVN_SETTINGS_H_
