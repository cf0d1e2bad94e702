#ifndef HOSTNET_HOST_DOCUMENT_H_
#define HOSTNET_HOST_DOCUMENT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The whole host as plain data: one struct per kind of object, with its child
// lists, and the host as one document. This is what ploncfg-host dumps and
// loads, whatever backend holds the host. A row's id is the backend's own key
// for it (0 in a document made by hand).
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
  int64_t id = 0;
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
  int64_t id = 0;
  int64_t switchId = 0;
  std::string name;
  uint32_t vlan = 0;
  uint32_t ports = 0;
  TeamingRow teaming;
};

struct DVPortRow {
  int64_t id = 0;
  std::string portId;
  std::vector<std::string> clients;
  uint32_t connectionId = 0;
  std::vector<std::string> uplinks;
  uint32_t testEvents = 0;
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

struct StandardSwitchDoc {
  SwitchRow row;
  std::vector<PortGroupRow> portGroups;
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

}  // namespace hostnet

#endif  // HOSTNET_HOST_DOCUMENT_H_
