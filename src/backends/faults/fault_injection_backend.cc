#include "backends/faults/fault_injection_backend.h"

#include <string>
#include <utility>

#include "backends/faults/faulty_handles.h"

namespace faults {

using namespace Quorvic::Network;

namespace {
const std::string kNone;
}  // namespace

FaultInjectionBackend::FaultInjectionBackend(std::unique_ptr<hostnet::Backend> base)
    : base_(std::move(base)), gate_(*base_) {}

void FaultInjectionBackend::Connect() {
  gate_.Run("NetworkInfoImpl.NetworkInfoImpl", kNone, kNone, [&] { base_->Connect(); });
}

std::unique_ptr<VirtualSwitchInfo> FaultInjectionBackend::GetVirtualSwitchInfo() {
  return gate_.Run("NetworkInfoImpl.GetVirtualSwitchInfo", kNone, kNone,
                   [&] { return WrapSwitchInfo(gate_, base_->GetVirtualSwitchInfo()); });
}

std::unique_ptr<Korvel::Network::PortGroupNameSet> FaultInjectionBackend::GetAllPortGroupNames() {
  return gate_.Run("NetworkInfoImpl.GetAllPortGroupNames", kNone, kNone,
                   [&] { return WrapPortGroupNames(gate_, base_->GetAllPortGroupNames()); });
}

std::unique_ptr<VirtualSwitch> FaultInjectionBackend::GetVirtualSwitchById(
    const std::string& name) {
  return gate_.Run("NetworkFactory.GetVirtualSwitchById", kNone, name,
                   [&] { return WrapVirtualSwitch(gate_, base_->GetVirtualSwitchById(name)); });
}

std::unique_ptr<DVSwitch> FaultInjectionBackend::GetDVSwitchByName(const std::string& name) {
  return gate_.Run("NetworkFactory.GetDVSwitchByName", kNone, name,
                   [&] { return WrapDVSwitch(gate_, base_->GetDVSwitchByName(name)); });
}

std::unique_ptr<Portset> FaultInjectionBackend::GetPortsetById(const std::string& name) {
  return gate_.Run("NetworkFactory.GetPortsetById", kNone, name,
                   [&] { return WrapPortset(gate_, base_->GetPortsetById(name)); });
}

bool FaultInjectionBackend::IsValidVirtualSwitch(const std::string& name) {
  return gate_.Run("PortsetImpl.IsValidVirtualSwitch", kNone, name,
                   [&] { return base_->IsValidVirtualSwitch(name); });
}

bool FaultInjectionBackend::SwitchExists(const std::string& name) {
  return gate_.Run("VirtualSwitchInfoImpl.SwitchExists", kNone, name,
                   [&] { return base_->SwitchExists(name); });
}

int32_t FaultInjectionBackend::ParseCdpStatus(const std::string& text) {
  return gate_.Run("VirtualSwitchImpl.ParseCdpStatus", kNone, text,
                   [&] { return base_->ParseCdpStatus(text); });
}

bool FaultInjectionBackend::IsValidPortGroup(const std::string& name) {
  return gate_.Run("PortGroupImpl.IsValidPortGroup", kNone, name,
                   [&] { return base_->IsValidPortGroup(name); });
}

std::unique_ptr<hostnet::NamedPortGroup> FaultInjectionBackend::OpenPortGroup(
    const std::string& name) {
  return gate_.Run("PortGroupImpl.PortGroupImpl", name, kNone,
                   [&] { return WrapNamedPortGroup(gate_, name, base_->OpenPortGroup(name)); });
}

std::unique_ptr<hostnet::NamedDVPort> FaultInjectionBackend::OpenDVPort(const DVPortParam& param) {
  return gate_.Run("DVPortImpl.DVPortImpl", param.portId, kNone,
                   [&] { return WrapNamedDVPort(gate_, param.portId, base_->OpenDVPort(param)); });
}

void FaultInjectionBackend::NoteCall(const char* op) { gate_.CheckValueCall(op); }

int FaultInjectionBackend::KernelCheckSig(KARN_SigInfo* info, uint32_t sigVersion,
                                          KARN_SigError* error) {
  if (std::optional<int> status = gate_.KernelFault("KARN_CheckSig")) return *status;
  return base_->KernelCheckSig(info, sigVersion, error);
}

int FaultInjectionBackend::KernelSet(uint16_t node, int instance, const KARN_ParamList* params,
                                     int flags, int reserved) {
  std::optional<int> status = gate_.KernelFault("KARN_Set");
  if (!status) status = base_->KernelSet(node, instance, params, flags, reserved);
  const std::string object = "node " + std::to_string(node);
  if (*status == 0) {
    gate_.History().Done("KARN_Set", object);
  } else {
    gate_.History().Refused("KARN_Set", object, base_->KernelStatusText(*status));
  }
  return *status;
}

const char* FaultInjectionBackend::KernelStatusText(int status) const {
  return base_->KernelStatusText(status);
}

KARN_ParamList* FaultInjectionBackend::GetIntParamList(unsigned int value,
                                                       KARN_ParamListType type) {
  if (gate_.KernelFault("SysinfoUtil.GetIntParamList")) return nullptr;
  return base_->GetIntParamList(value, type);
}

}  // namespace faults
