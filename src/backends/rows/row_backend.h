#ifndef BACKENDS_ROWS_ROW_BACKEND_H_
#define BACKENDS_ROWS_ROW_BACKEND_H_

#include <memory>
#include <string>
#include <vector>

#include "backends/rows/row_store.h"
#include "hostnet/backend.h"

namespace rows {

// The library over a host kept as rows: every entry point, the kernel calls
// and the whole-host calls, answered through the RowStore that Host() gives.
// A backend derives from it and says how it reaches its store, its
// constants, and the host a fresh installation starts with.
//
// The kernel interface: KARN_NODE_net_ens_activate is 0x2f41, and KARN_Set
// on it stores the list's value in the host's ENS activation node; other
// nodes are accepted and ignored. Statuses: 0 success, 1 failure, 2 bad
// parameter, 3 host state unavailable. ParseCdpStatus knows down, listen,
// advertise and both (0 to 3), in any case.
class RowBackend : public hostnet::Backend {
 public:
  uint32_t DefaultNumPorts() const override;
  uint16_t EnsActivateNode() const override;

  void Connect() override;
  std::unique_ptr<Quorvic::Network::VirtualSwitchInfo> GetVirtualSwitchInfo() override;
  std::unique_ptr<Korvel::Network::PortGroupNameSet> GetAllPortGroupNames() override;
  std::unique_ptr<Quorvic::Network::VirtualSwitch> GetVirtualSwitchById(
      const std::string& name) override;
  std::unique_ptr<Quorvic::Network::DVSwitch> GetDVSwitchByName(const std::string& name) override;
  std::unique_ptr<Quorvic::Network::Portset> GetPortsetById(const std::string& name) override;
  bool IsValidVirtualSwitch(const std::string& name) override;
  bool SwitchExists(const std::string& name) override;
  int32_t ParseCdpStatus(const std::string& text) override;
  bool IsValidPortGroup(const std::string& name) override;
  std::unique_ptr<hostnet::NamedPortGroup> OpenPortGroup(const std::string& name) override;
  std::unique_ptr<hostnet::NamedDVPort> OpenDVPort(
      const Quorvic::Network::DVPortParam& param) override;

  int KernelCheckSig(KARN_SigInfo* info, uint32_t sigVersion, KARN_SigError* error) override;
  int KernelSet(uint16_t node, int instance, const KARN_ParamList* params, int flags,
                int reserved) override;
  const char* KernelStatusText(int status) const override;

  HostDocument ReadHost() override;
  // The store's DVSwitches are its own: shared does not matter here.
  void ReplaceHost(const HostDocument& doc, hostnet::SharedDVSwitches shared) override;
  void AddDVPort(const std::string& dvswitch, const std::string& portId) override;
  void RemoveDVPort(const std::string& dvswitch, const std::string& portId) override;
  void AddLag(const std::string& portset, uint32_t lagId, uint32_t timeout) override;
  void RemoveLag(const std::string& portset, uint32_t lagId) override;
  void Reboot() override;
  std::vector<std::string> Migrate() override;
  std::vector<std::string> Health() override;
  HostDocument ReadReachableHost() override { return Host().ReadReachableHost(); }
  void Rewire() override { Host().Rewire(); }

  std::vector<FaultRow> ReadFaults() override;
  void AddFault(const FaultRow& fault) override;
  void ClearFaults() override;
  bool SpendFault(int64_t id) override;

  void AppendHistory(const hostnet::HistoryRow& row) override;
  std::vector<hostnet::HistoryRow> ReadHistory(int64_t sinceUs) override;

  // The store, as Host() gives it, for a backend that keeps part of the host
  // elsewhere and wraps this one's store.
  RowStore& HostStore() { return Host(); }

 protected:
  // The store, reaching the host first when it has not been reached yet;
  // throws naming the host and the reason when it cannot.
  virtual RowStore& Host() = 0;
};

}  // namespace rows

#endif  // BACKENDS_ROWS_ROW_BACKEND_H_
