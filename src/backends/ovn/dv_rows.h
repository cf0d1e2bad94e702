#ifndef BACKENDS_OVN_DV_ROWS_H_
#define BACKENDS_OVN_DV_ROWS_H_

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "backends/rows/host_rows.h"
#include "backends/rows/row_store.h"

// How a DVSwitch and its DVPorts are kept in the northbound database
// (README, "DVSwitches across hosts: OVN northbound"):
//
// - A DVSwitch is a Logical_Switch whose name is the DVSwitch's; its
//   external_ids mark it as ours ("quenta:dvswitch") and hold its fields
//   under "quenta:" keys, with its place in host order ("quenta:created")
//   and a generation ("quenta:generation"), which earlier builds bumped
//   with every change of the switch or its DVPorts.
// - A DVPort is a Logical_Switch_Port of it named SWITCH/PORTID (port names
//   are unique across the database) with addresses "unknown", so that it
//   carries any VM's frames; its external_ids hold the DVPort ID, the
//   switch's name, its place in host order (a number that only grows along
//   the DVPorts; one added by itself takes the time) and its fields.
// - Uplinks are kept per host, under "quenta:uplinks:HOST" on the switch and
//   on each DVPort: a host reads and writes its own only. Rows of format 1
//   (doc/formats.md) kept every host's under one key, "quenta:uplinks":
//   until a host has a key of its own on a row, its uplinks there are those
//   of the shared key that name its pnics. Clients and the ENS state are
//   records (JSON).
// - Each host lists, under "quenta:host-dvports:HOST" on the switch, the
//   DVPorts its uplinks are on (HostDVPorts), so that a change of one DVPort
//   reads that DVPort and this host's, not every host's. The list is
//   current while its generation is the switch's: this build never bumps
//   "quenta:generation", and every earlier one bumps it with each change,
//   which makes every host's list stale. Each change of a host's DVPorts
//   also counts up in its list, so that the switch row changes with it:
//   earlier builds guard a DVPort's change on the switch row alone.
// - While a host that carries traffic has uplinks on a DVSwitch, the switch
//   has one localnet port for the physical network NETWORK, named
//   NETWORK-localnet, whose external_ids name the hosts whose bridges lead
//   there ("quenta:wired:HOST").
//
// Readers fill what is missing with the row's defaults and throw
// Quorvic::Lib::QuorvicException naming the row when a value is malformed.
namespace ovn {

using rows::DVPortRow;
using rows::DVSwitchDoc;
using rows::EnsState;
using rows::HostDocument;
using rows::RowKind;
using rows::RowRef;
using rows::SwitchKey;
using rows::SwitchKind;
using rows::SwitchRow;

using Ids = std::map<std::string, std::string>;

// The host whose uplinks a read takes: its name, and the pnics it has, asked
// for only by a row that has no key of this host's but the shared one (none
// given: the shared key's uplinks are all taken).
struct UplinkHost {
  std::string name;
  std::function<std::vector<std::string>()> pnics;
};

constexpr const char* kSwitchMark = "quenta:dvswitch";
constexpr const char* kPortSwitchKey = "quenta:switch";
// On a localnet port of ours: its network.
constexpr const char* kLocalnetMark = "quenta:localnet";
// In NB_Global's external_ids, + HOST: the token of the last change that
// host made, for a change whose answer was lost to be looked for.
constexpr const char* kChangePrefix = "quenta:change:";
// On a Logical_Switch of ours and in NB_Global's external_ids: the format
// of the switch's records and of the database's (doc/formats.md). Rows of
// formats 1 and 2 carry none.
constexpr const char* kFormatKey = "quenta:format";

// The external_ids of the Logical_Switch of row, with host's uplinks and
// this build's format.
Ids SwitchIds(const SwitchRow& row, int64_t created, int64_t generation, const std::string& host);
// The DVSwitch named name that ids hold, with host's uplinks, kind
// kDistributed, without a ref. Checks the place and generation too.
SwitchRow ReadSwitchIds(const std::string& name, const Ids& ids, const UplinkHost& host);
int64_t CreatedOf(const Ids& ids);
int64_t GenerationOf(const Ids& ids);

// What a host's "quenta:host-dvports:HOST" key holds.
struct HostDVPorts {
  int64_t generation = 0;
  int64_t changes = 0;
  // IDs of the DVPorts the host's uplinks are on, in host order.
  std::vector<std::string> dvports;
};
std::string HostDVPortsKey(const std::string& host);
std::string HostDVPortsValue(const HostDVPorts& list);
// host's list on a switch whose external_ids are ids, empty when the host
// has no key there at all; nullopt when it cannot be read or is stale, or
// the host has keys there but no list.
std::optional<HostDVPorts> CurrentHostDVPorts(const Ids& ids, const std::string& host);

// The name of the Logical_Switch_Port of DVPort portId of switchName.
std::string PortName(const std::string& switchName, const std::string& portId);
// The external_ids of that port, order its place in host order, with host's
// uplinks.
Ids PortIds(const std::string& switchName, const DVPortRow& port, std::size_t order,
            const std::string& host);
// The DVPort ids hold, with host's uplinks; checks its place too.
DVPortRow ReadPortIds(const Ids& ids, const UplinkHost& host);
std::size_t OrderOf(const Ids& ids);

// The key under which host's uplinks are kept, and the one format 1 kept
// every host's under.
std::string UplinksKey(const std::string& host);
constexpr const char* kSharedUplinksKey = "quenta:uplinks";
// The key of a localnet port that says host's bridge leads to its network.
std::string WiredKey(const std::string& host);
// Whether key is a WiredKey.
bool IsWiredKey(const std::string& key);
// The physical network that the uplinks of the DVSwitch named switchName
// reach, the same on every host: a name bridge mappings can carry.
std::string NetworkName(const std::string& switchName);

}  // namespace ovn

#endif  // BACKENDS_OVN_DV_ROWS_H_
