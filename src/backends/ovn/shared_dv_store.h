#ifndef BACKENDS_OVN_SHARED_DV_STORE_H_
#define BACKENDS_OVN_SHARED_DV_STORE_H_

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "backends/ovn/ovn_store.h"
#include "backends/rows/row_store.h"

// A host whose DVSwitches live in the OVN northbound database, shared with
// every host pointed at it, while everything else stays in the host's own
// store: every call about DVSwitches and DVPorts goes to the OvnStore, every
// other call to the local store. DVSwitches the local store may hold are not
// seen.
//
// Switch names stay one namespace: adding a DVSwitch whose name a standard
// or opaque switch of this host has, or a standard switch whose name a
// DVSwitch has, is refused (checked before the change, so a switch of the
// other kind added at that very moment elsewhere can slip by).
//
// Row ids: the local store's are positive, the OvnStore's negative.
//
// ReadHost is the local host with the shared DVSwitches; ReplaceHost
// replaces the local host and then every DVSwitch of the database, which
// every host sharing it sees. Reboot is refused: DVSwitches in a shared
// database keep running for the other hosts.
namespace ovn {

class SharedDVStore : public rows::RowStore {
 public:
  // Both must outlive this.
  SharedDVStore(rows::RowStore& local, OvnStore& shared) : local_(local), shared_(shared) {}

  uint32_t MaxSwitchNameSize() const override { return local_.MaxSwitchNameSize(); }
  std::unique_ptr<rows::ChangeHold> HoldForChange() override { return local_.HoldForChange(); }

  std::optional<SwitchRow> FindSwitch(const std::string& name, SwitchKind kind) override;
  void ReadSwitches(SwitchKind kind, bool system,
                    const std::function<void(SwitchRow&&)>& each) override;
  void StartPortGroupListing(bool system) override { local_.StartPortGroupListing(system); }
  std::optional<std::vector<PortGroupRow>> TakeListedPortGroups(int64_t switchId,
                                                                bool system) override {
    return local_.TakeListedPortGroups(switchId, system);
  }
  std::vector<PortGroupRow> ReadPortGroups(int64_t switchId) override;
  std::optional<std::pair<PortGroupRow, std::string>> FindPortGroup(
      const std::string& name) override {
    return local_.FindPortGroup(name);
  }
  std::set<std::string> PortGroupNames() override { return local_.PortGroupNames(); }
  std::vector<std::string> ReadUplinks(const SwitchRow& sw) override;
  std::vector<DVPortRow> ReadDVPorts(int64_t switchId) override;
  std::optional<DVPortRow> FindDVPort(const std::string& switchId,
                                      const std::string& portId) override {
    return shared_.FindDVPort(switchId, portId);
  }
  std::vector<UplinkTimeoutRow> ReadUplinkTimeouts(const std::string& portset, uint32_t lagId,
                                                   const std::string& uplink) override {
    return local_.ReadUplinkTimeouts(portset, lagId, uplink);
  }
  std::vector<LagTimeoutRow> ReadLagTimeouts(const std::string& portset, uint32_t lagId) override {
    return local_.ReadLagTimeouts(portset, lagId);
  }
  std::vector<FaultRow> ReadFaults() override { return local_.ReadFaults(); }

  SwitchRow AddSwitch(SwitchRow row) override;
  void RemoveSwitch(const std::string& name) override;
  void SetCdp(const SwitchRow& sw, int32_t cdp) override { local_.SetCdp(sw, cdp); }
  void SetMtu(const SwitchRow& sw, uint32_t mtu) override;
  void SetTeaming(const SwitchRow& sw, const TeamingRow& teaming) override {
    local_.SetTeaming(sw, teaming);
  }
  void RestoreDVSwitches() override { shared_.RestoreDVSwitches(); }
  void RestoreVirtualSwitches() override { local_.RestoreVirtualSwitches(); }

  void AddUplink(const SwitchRow& sw, const std::string& pnic, bool persist) override {
    local_.AddUplink(sw, pnic, persist);
  }
  void RemoveUplink(const SwitchRow& sw, const std::string& pnic, bool configOnly) override {
    local_.RemoveUplink(sw, pnic, configOnly);
  }
  void RestoreUplinks(const SwitchRow& sw) override { local_.RestoreUplinks(sw); }

  PortGroupRow AddPortGroup(const SwitchRow& sw, const std::string& name) override {
    return local_.AddPortGroup(sw, name);
  }
  void RemovePortGroup(const SwitchRow& sw, const std::string& name) override {
    local_.RemovePortGroup(sw, name);
  }
  void SetVlan(const PortGroupRow& pg, uint32_t vlan) override { local_.SetVlan(pg, vlan); }
  void SetPortGroupTeaming(const PortGroupRow& pg, const TeamingRow& teaming) override {
    local_.SetPortGroupTeaming(pg, teaming);
  }

  // Refuses a pnic that is not one of the local host's.
  void AddDVPortUplink(const SwitchRow& sw, const std::string& pnic,
                       const std::string& portId) override;
  void RemoveDVPortUplink(const SwitchRow& sw, const std::string& pnic) override {
    shared_.RemoveDVPortUplink(sw, pnic);
  }
  void SetConnectionId(const DVPortRow& port, uint32_t connectionId) override {
    shared_.SetConnectionId(port, connectionId);
  }
  void RaiseTestEvent(const DVPortRow& port) override { shared_.RaiseTestEvent(port); }
  void ActivateEns(const SwitchRow& sw, bool interrupt, bool fastSwitch) override;
  void DeactivateEns(const SwitchRow& sw) override;
  void ReassociateUplinks(const SwitchRow& sw, bool force) override;
  bool IsEnsActive(const SwitchRow& sw) override;
  void SetEnsActivateNode(uint32_t value) override { local_.SetEnsActivateNode(value); }

  void LoadUplinkTimeouts(const std::string& portset, uint32_t lagId,
                          const std::string& uplink) override {
    local_.LoadUplinkTimeouts(portset, lagId, uplink);
  }
  void LoadLagTimeouts(const std::string& portset, uint32_t lagId) override {
    local_.LoadLagTimeouts(portset, lagId);
  }

  HostDocument ReadHost() override;
  void ReplaceHost(const HostDocument& doc) override;
  void Reboot() override;
  void AddFault(const FaultRow& fault) override { local_.AddFault(fault); }
  void ClearFaults() override { local_.ClearFaults(); }
  bool SpendFault(int64_t id) override { return local_.SpendFault(id); }

  void AppendHistory(const HistoryRow& row) override { local_.AppendHistory(row); }
  std::vector<HistoryRow> ReadHistory(int64_t sinceUs) override {
    return local_.ReadHistory(sinceUs);
  }

 private:
  static bool Shared(const SwitchRow& sw) { return sw.kind == SwitchKind::kDistributed; }

  rows::RowStore& local_;
  OvnStore& shared_;
};

}  // namespace ovn

#endif  // BACKENDS_OVN_SHARED_DV_STORE_H_
