#ifndef BACKENDS_FAULTS_FAULT_INJECTION_BACKEND_H_
#define BACKENDS_FAULTS_FAULT_INJECTION_BACKEND_H_

#include <memory>
#include <string>
#include <vector>

#include "backends/faults/fault_gate.h"
#include "hostnet/backend.h"

namespace faults {

// A backend that forwards to another one and makes its operations fail where
// the host's faults say so (ploncfg-host fault), so that every failure path
// of the tool can be driven end to end on any backend. Each entry point, and
// each call on an object it hands out, passes its library name
// (fault_operations.h) through one FaultGate. The faults themselves are kept
// by the wrapped backend (ReadFaults, SpendFault); the whole-host calls of
// ploncfg-host pass straight through and never fire a fault. The gate also
// records every change, done or refused, in the host's history.
class FaultInjectionBackend : public hostnet::Backend {
 public:
  explicit FaultInjectionBackend(std::unique_ptr<hostnet::Backend> base);

  uint32_t DefaultNumPorts() const override { return base_->DefaultNumPorts(); }
  uint32_t MaxSwitchNameSize() const override { return base_->MaxSwitchNameSize(); }
  std::string DefaultDVSCacheFile() const override { return base_->DefaultDVSCacheFile(); }
  uint16_t EnsActivateNode() const override { return base_->EnsActivateNode(); }

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
  void NoteCall(const char* op) override;

  int KernelCheckSig(KARN_SigInfo* info, uint32_t sigVersion, KARN_SigError* error) override;
  int KernelSet(uint16_t node, int instance, const KARN_ParamList* params, int flags,
                int reserved) override;
  const char* KernelStatusText(int status) const override;
  KARN_ParamList* GetIntParamList(unsigned int value, KARN_ParamListType type) override;

  hostnet::HostDocument ReadHost() override { return base_->ReadHost(); }
  void ReplaceHost(const hostnet::HostDocument& doc, hostnet::SharedDVSwitches shared) override {
    base_->ReplaceHost(doc, shared);
  }
  void AddDVPort(const std::string& dvswitch, const std::string& portId) override {
    base_->AddDVPort(dvswitch, portId);
  }
  void RemoveDVPort(const std::string& dvswitch, const std::string& portId) override {
    base_->RemoveDVPort(dvswitch, portId);
  }
  void AddLag(const std::string& portset, uint32_t lagId, uint32_t timeout) override {
    base_->AddLag(portset, lagId, timeout);
  }
  void RemoveLag(const std::string& portset, uint32_t lagId) override {
    base_->RemoveLag(portset, lagId);
  }
  hostnet::HostDocument DefaultHost() const override { return base_->DefaultHost(); }
  void Reboot() override { base_->Reboot(); }
  std::vector<std::string> Migrate() override { return base_->Migrate(); }
  std::vector<std::string> Health() override { return base_->Health(); }
  hostnet::HostDocument ReadReachableHost() override { return base_->ReadReachableHost(); }
  void Rewire() override { base_->Rewire(); }
  std::vector<hostnet::FaultRow> ReadFaults() override { return base_->ReadFaults(); }
  void AddFault(const hostnet::FaultRow& fault) override { base_->AddFault(fault); }
  void ClearFaults() override { base_->ClearFaults(); }
  bool SpendFault(int64_t id) override { return base_->SpendFault(id); }
  void StageHistory(const hostnet::HistoryRow& row) override { base_->StageHistory(row); }
  hostnet::StagedRow UnstageHistory() override { return base_->UnstageHistory(); }
  void AppendHistory(const hostnet::HistoryRow& row) override { base_->AppendHistory(row); }
  std::vector<hostnet::HistoryRow> ReadHistory(int64_t sinceUs) override {
    return base_->ReadHistory(sinceUs);
  }

 private:
  std::unique_ptr<hostnet::Backend> base_;
  FaultGate gate_;
};

}  // namespace faults

#endif  // BACKENDS_FAULTS_FAULT_INJECTION_BACKEND_H_
