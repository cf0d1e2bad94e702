#ifndef HOSTNET_HOST_DOCUMENT_H_
#define HOSTNET_HOST_DOCUMENT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

// The whole host as plain data: one struct per kind of object, with its child
// lists, and the host as one document. This is what ploncfg-host dumps and
// loads, whatever backend holds the host.
namespace hostnet {

// What a host document may hold, and the defaults of fields it leaves out.
constexpr uint32_t kDefaultNumPorts = 128;
constexpr uint32_t kMinPorts = 8;
constexpr uint32_t kMaxPorts = 4096;
constexpr uint32_t kMinMtu = 1280;
constexpr uint32_t kMaxMtu = 9000;
constexpr uint32_t kDefaultMtu = 1500;
constexpr uint32_t kMaxVlan = 4095;

enum class SwitchKind { kStandard, kDistributed, kOpaque };

// Which object of the host a row was read from: its kind and the backend's
// own key for it (a database id, a row's UUID), good for as long as the
// object lives, so that a change made through the row reaches that object and
// never another one that took its name since. Empty in a document made by
// hand and in a row not written yet; only the backend that read a row reads
// its key.
enum class RowKind { kNone, kStandardSwitch, kDVSwitch, kOpaqueSwitch, kPortGroup, kDVPort };
struct RowRef {
  RowKind kind = RowKind::kNone;
  std::string key;

  bool Empty() const { return key.empty(); }
  bool operator==(const RowRef& other) const { return kind == other.kind && key == other.key; }
  bool operator!=(const RowRef& other) const { return !(*this == other); }
};

// The fast-path state of a portset.
struct EnsState {
  bool active = false;
  bool interrupt = false;
  bool fastSwitch = false;
  uint32_t reassociations = 0;
  uint32_t forcedReassociations = 0;
};

// A teaming policy as stored: orderSet says whether order is the policy's own.
struct TeamingRow {
  bool orderSet = false;
  std::vector<std::string> order;
  int32_t maxActive = 0;
};

// A switch of any kind; fields that a kind does not use keep their defaults.
struct SwitchRow {
  RowRef ref;
  SwitchKind kind = SwitchKind::kStandard;
  std::string name;
  bool running = true;
  bool system = false;
  uint32_t numPorts = 0;
  uint32_t usedPorts = 0;
  uint32_t configuredPorts = 0;
  uint32_t mtu = 1500;
  int32_t cdp = 1;
  std::vector<std::string> uplinks;
  std::vector<std::string> configUplinks;  // standard switches only
  TeamingRow teaming;                      // standard switches only
  EnsState ens;                            // standard switches and DVSwitches
  std::string dvsName;                     // DVSwitches and opaque switches
  std::string uuid;                        // DVSwitches only, like the rest
  std::string implClass;
  uint32_t version = 0;
  std::string switchId;
};

struct PortGroupRow {
  RowRef ref;
  std::string name;
  uint32_t vlan = 0;
  uint32_t ports = 0;
  TeamingRow teaming;
};

// A VM bound to a DVPort, as the engine that carries the DVPort's traffic
// shows it (OVN: the port is up): the host it runs on and its interface
// there, each empty where that is not known.
struct DVPortBinding {
  std::string host;
  std::string interface;

  bool operator==(const DVPortBinding& other) const {
    return host == other.host && interface == other.interface;
  }
  // The binding as a client of the DVPort: "HOST/INTERFACE", the host
  // alone, or empty.
  std::string ClientName() const {
    return interface.empty() ? host : host + "/" + interface;
  }
};

struct DVPortRow {
  RowRef ref;
  std::string portId;
  std::vector<std::string> clients;  // recorded
  uint32_t connectionId = 0;
  std::vector<std::string> uplinks;
  uint32_t testEvents = 0;
  // What the engine shows; a document's is not loaded.
  std::optional<DVPortBinding> binding = std::nullopt;

  // In use: bound to a VM, or with clients recorded.
  bool InUse() const { return binding.has_value() || !clients.empty(); }
};

struct UplinkTimeoutRow {
  std::string portset;
  std::string uplink;
  uint32_t lagId = 0;
  uint32_t timeout = 0;
  bool loaded = false;
};

struct LagTimeoutRow {
  std::string portset;
  uint32_t lagId = 0;
  uint32_t timeout = 0;
  bool loaded = false;
};

struct FaultRow {
  int64_t id = 0;
  std::string op;
  std::optional<std::string> target;
  std::string message;
  std::optional<int64_t> times;
  std::optional<int64_t> status;
};

// The LACP a standard switch's uplinks run as one bond, on a host whose LAGs
// are its switches' uplink bonds (Open vSwitch): what the engine runs, as a
// read shows it, and what a change asks it to run. Never set on other hosts,
// and not part of the JSON form: there the LAG records say it.
struct LacpRow {
  uint32_t lagId = 0;    // the LAG of this host's records; 0 for LACP others turned on
  uint32_t timeout = 0;  // 1 fast, 0 slow

  bool operator==(const LacpRow& other) const {
    return lagId == other.lagId && timeout == other.timeout;
  }
  bool operator!=(const LacpRow& other) const { return !(*this == other); }
};

struct StandardSwitchDoc {
  SwitchRow row;
  std::vector<PortGroupRow> portGroups;
  std::optional<LacpRow> lacp = std::nullopt;  // none: bonded as the teaming policy says
};

struct DVSwitchDoc {
  SwitchRow row;
  std::vector<DVPortRow> dvports;
};

// The whole host, every array in host order.
struct HostDocument {
  std::vector<std::string> pnics;
  std::vector<StandardSwitchDoc> switches;
  std::vector<DVSwitchDoc> dvswitches;
  std::vector<SwitchRow> opaqueSwitches;
  std::vector<UplinkTimeoutRow> uplinkTimeouts;
  std::vector<LagTimeoutRow> lagTimeouts;
  uint32_t ensActivateNode = 0;
  std::vector<FaultRow> faults;
};

// Rows are equal when every field is, refs included.
inline bool operator==(const EnsState& a, const EnsState& b) {
  return std::tie(a.active, a.interrupt, a.fastSwitch, a.reassociations, a.forcedReassociations) ==
         std::tie(b.active, b.interrupt, b.fastSwitch, b.reassociations, b.forcedReassociations);
}
inline bool operator==(const TeamingRow& a, const TeamingRow& b) {
  return std::tie(a.orderSet, a.order, a.maxActive) == std::tie(b.orderSet, b.order, b.maxActive);
}
inline bool operator==(const SwitchRow& a, const SwitchRow& b) {
  return std::tie(a.ref, a.kind, a.name, a.running, a.system, a.numPorts, a.usedPorts,
                  a.configuredPorts, a.mtu, a.cdp, a.uplinks, a.configUplinks, a.teaming, a.ens,
                  a.dvsName, a.uuid, a.implClass, a.version, a.switchId) ==
         std::tie(b.ref, b.kind, b.name, b.running, b.system, b.numPorts, b.usedPorts,
                  b.configuredPorts, b.mtu, b.cdp, b.uplinks, b.configUplinks, b.teaming, b.ens,
                  b.dvsName, b.uuid, b.implClass, b.version, b.switchId);
}
inline bool operator==(const PortGroupRow& a, const PortGroupRow& b) {
  return std::tie(a.ref, a.name, a.vlan, a.ports, a.teaming) ==
         std::tie(b.ref, b.name, b.vlan, b.ports, b.teaming);
}
inline bool operator==(const DVPortRow& a, const DVPortRow& b) {
  return std::tie(a.ref, a.portId, a.clients, a.connectionId, a.uplinks, a.testEvents,
                  a.binding) ==
         std::tie(b.ref, b.portId, b.clients, b.connectionId, b.uplinks, b.testEvents,
                  b.binding);
}
inline bool operator==(const FaultRow& a, const FaultRow& b) {
  return std::tie(a.id, a.op, a.target, a.message, a.times, a.status) ==
         std::tie(b.id, b.op, b.target, b.message, b.times, b.status);
}
inline bool operator==(const StandardSwitchDoc& a, const StandardSwitchDoc& b) {
  return a.row == b.row && a.portGroups == b.portGroups && a.lacp == b.lacp;
}
inline bool operator==(const DVSwitchDoc& a, const DVSwitchDoc& b) {
  return a.row == b.row && a.dvports == b.dvports;
}
inline bool operator!=(const SwitchRow& a, const SwitchRow& b) { return !(a == b); }
inline bool operator!=(const PortGroupRow& a, const PortGroupRow& b) { return !(a == b); }
inline bool operator!=(const DVPortRow& a, const DVPortRow& b) { return !(a == b); }
inline bool operator!=(const FaultRow& a, const FaultRow& b) { return !(a == b); }

}  // namespace hostnet

#endif  // HOSTNET_HOST_DOCUMENT_H_
