#ifndef BACKENDS_ROWS_CHASSIS_H_
#define BACKENDS_ROWS_CHASSIS_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "backends/rows/host_rows.h"

// This host as one of the hosts that share DVSwitches: the name its records
// carry among theirs, and, where its switch engine can, the wiring that
// carries a DVSwitch's traffic out through this host's own pnics.
namespace rows {

// The tunnel that carries a DVSwitch's traffic between hosts.
struct Tunnel {
  std::string underlay;      // the network interface under it
  uint32_t underlayMtu = 0;  // that interface's MTU
  uint32_t overhead = 0;     // what the tunnel adds to every frame
  // The largest MTU a VM's interface can have for its frames to cross.
  uint32_t VmMtu() const { return underlayMtu > overhead ? underlayMtu - overhead : 0; }
};

// What this host has made to carry one physical network's traffic out
// through its pnics, as read: the bridge (empty when only the bridge mappings
// entry is left) and the DVSwitch it was made for (empty where that is not
// recorded).
struct WiringRead {
  std::string network;
  std::string bridge;
  std::string dvswitch;
};

class Chassis {
 public:
  virtual ~Chassis() = default;

  // The name this host's uplinks are recorded under, unique among the
  // hosts that share DVSwitches. Throws when it cannot be read.
  virtual std::string Name() = 0;
  // True when Wire carries traffic; false on a host that keeps uplinks as
  // records only.
  virtual bool Carries() const = 0;
  // Makes this host carry network (a name shared by every host) of
  // DVSwitch dvswitch through exactly pnics: a bridge of its own holding
  // them, reached through an entry of this host's bridge mappings; with no
  // pnics, neither is left. Throws naming the pnic when one cannot join (it
  // is on another bridge, or the engine refuses it); then nothing changed.
  virtual void Wire(const std::string& network, const std::string& dvswitch,
                    const std::vector<std::string>& pnics) = 0;
  // Network may be wired later in this run: where the engine can, what
  // Wire reads goes along with the host's next request instead of one of
  // its own.
  virtual void ExpectWiring(const std::string& network) { (void)network; }
  // Every network this host is wired to, by a bridge Wire made or an
  // entry of its bridge mappings that names a network of ours.
  virtual std::vector<WiringRead> ReadWiring() = 0;
  // False when what this run read of the host shows it wired to no network
  // of ours but network (no entry of its bridge mappings names one): then
  // a change of network's wiring leaves nothing else to take out, and
  // ReadWiring need not be asked. True where it cannot tell.
  virtual bool MayBeWiredBeyond(const std::string& network) {
    (void)network;
    return true;
  }
  // The DVSwitch that a bridge of Wire's here holds pnic for; nullopt when
  // none holds it (empty when the bridge does not say which).
  virtual std::optional<std::string> DVSwitchHolding(const std::string& pnic) = 0;
  // Where the VMs bound to the logical ports named ports run, as far as this
  // host can tell, by port: the host that OVN's southbound database says has
  // bound it and, for a VM of this host, its interface. Ports it cannot tell
  // of are left out; a southbound database that does not answer tells
  // nothing, and this never throws for that.
  virtual std::map<std::string, DVPortBinding> Bindings(const std::vector<std::string>& ports) = 0;
  // The tunnel this host's DVSwitch traffic crosses to other hosts; nullopt
  // when the host cannot tell.
  virtual std::optional<Tunnel> ReadTunnel() = 0;
};

// A hash of text that is the same on every host and in every run (FNV-1a),
// for names hosts must agree on without asking each other.
inline uint64_t StableHash(const std::string& text) {
  uint64_t hash = 14695981039346656037ULL;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  return hash;
}

// A host that keeps its uplinks as records only, such as the simulated host:
// it has no VMs that OVN binds, nor wiring.
class RecordsOnlyChassis : public Chassis {
 public:
  explicit RecordsOnlyChassis(std::string name) : name_(std::move(name)) {}

  std::string Name() override { return name_; }
  bool Carries() const override { return false; }
  void Wire(const std::string&, const std::string&, const std::vector<std::string>&) override {}
  std::vector<WiringRead> ReadWiring() override { return {}; }
  std::optional<std::string> DVSwitchHolding(const std::string&) override { return std::nullopt; }
  std::map<std::string, DVPortBinding> Bindings(const std::vector<std::string>&) override {
    return {};
  }
  std::optional<Tunnel> ReadTunnel() override { return std::nullopt; }

 private:
  std::string name_;
};

}  // namespace rows

#endif  // BACKENDS_ROWS_CHASSIS_H_
