#include "backends/faults/faulty_handles.h"

#include <optional>
#include <utility>

namespace faults {
namespace {

using namespace Quorvic::Network;
using hostnet::NamedDVPort;
using hostnet::NamedPortGroup;
using Korvel::Network::PortGroupNameSet;

const std::string kNone;

// Each object to be wrapped, wrapped; for the lists the library hands out.
template <typename T, typename Wrap>
std::vector<std::unique_ptr<T>> WrapAll(std::vector<std::unique_ptr<T>> objects, Wrap wrap) {
  for (std::unique_ptr<T>& object : objects) object = wrap(std::move(object));
  return objects;
}

// What every wrapped object holds: the gate, the name its calls are checked
// and recorded under (the object's own name unless given; empty for the
// objects that have none), and the object it forwards to.
template <typename Interface>
class Faulty : public Interface {
 public:
  Faulty(FaultGate& gate, std::unique_ptr<Interface> base)
      : gate_(gate), name_(base->GetName()), base_(std::move(base)) {}
  Faulty(FaultGate& gate, std::string name, std::unique_ptr<Interface> base)
      : gate_(gate), name_(std::move(name)), base_(std::move(base)) {}

 protected:
  // Runs call as operation op on this object with the name argument arg.
  template <typename Call>
  auto Run(const char* op, const std::string& arg, Call&& call) const -> decltype(call()) {
    return gate_.Run(op, name_, arg, std::forward<Call>(call));
  }
  // Run for an operation that changes the host.
  template <typename Call>
  auto Change(const char* op, const std::string& arg, Call&& call) const -> decltype(call()) {
    return gate_.Change(op, name_, arg, std::forward<Call>(call));
  }

  FaultGate& gate_;
  std::string name_;
  std::unique_ptr<Interface> base_;
};

// A port, under the name of its port group.
class FaultyPort : public Faulty<Port> {
 public:
  using Faulty::Faulty;
  uint32_t GetId() const override {
    return Run("Port.GetId", kNone, [&] { return base_->GetId(); });
  }
};

class FaultyPortGroup : public Faulty<PortGroup> {
 public:
  using Faulty::Faulty;

  std::string GetName() const override {
    return Run("PortGroup.GetName", kNone, [&] { return base_->GetName(); });
  }
  std::vector<std::unique_ptr<Port>> GetPorts() const override {
    return Run("PortGroup.GetPorts", kNone, [&] {
      return WrapAll(base_->GetPorts(), [&](std::unique_ptr<Port> port) -> std::unique_ptr<Port> {
        return std::make_unique<FaultyPort>(gate_, name_, std::move(port));
      });
    });
  }
  NicTeamingPolicy GetTeamingPolicy() const override {
    return Run("PortGroup.GetTeamingPolicy", kNone, [&] { return base_->GetTeamingPolicy(); });
  }
  uint16_t GetVlanId() const override {
    return Run("PortGroup.GetVlanId", kNone, [&] { return base_->GetVlanId(); });
  }
  void SetVlanId(uint16_t vlanId) override {
    Change("PortGroup.SetVlanId", kNone, [&] { base_->SetVlanId(vlanId); });
  }
};

std::unique_ptr<PortGroup> WrapPortGroup(FaultGate& gate, std::unique_ptr<PortGroup> portGroup) {
  return std::make_unique<FaultyPortGroup>(gate, std::move(portGroup));
}

class FaultyDVPort : public Faulty<DVPort> {
 public:
  using Faulty::Faulty;

  std::string GetName() const override {
    return Run("DVPort.GetName", kNone, [&] { return base_->GetName(); });
  }
  const DVPortParam& GetParam() const override {
    return Run("DVPort.GetParam", kNone, [&]() -> const DVPortParam& { return base_->GetParam(); });
  }
  bool IsInUse(std::vector<std::string>& clients) const override {
    return Run("DVPort.IsInUse", kNone, [&] { return base_->IsInUse(clients); });
  }
};

// The library's names of the getters every kind of switch has, per class.
struct SwitchGetterOps {
  const char* getName;
  const char* getNumPorts;
  const char* getNumUsedPorts;
  const char* getNumConfiguredPorts;
  const char* getUplinks;
};

constexpr SwitchGetterOps kVirtualSwitchGetters = {
    "VirtualSwitch.GetName", "VirtualSwitch.GetNumPorts", "VirtualSwitch.GetNumUsedPorts",
    "VirtualSwitch.GetNumConfiguredPorts", "VirtualSwitch.GetUplinks"};
constexpr SwitchGetterOps kDVSwitchGetters = {
    "DVSwitch.GetName", "DVSwitch.GetNumPorts", "DVSwitch.GetNumUsedPorts",
    "DVSwitch.GetNumConfiguredPorts", "DVSwitch.GetUplinks"};

// The getters every kind of switch has.
template <typename Interface>
class FaultySwitch : public Faulty<Interface> {
 public:
  std::string GetName() const override {
    return Run(ops_.getName, kNone, [&] { return base_->GetName(); });
  }
  uint32_t GetNumPorts() const override {
    return Run(ops_.getNumPorts, kNone, [&] { return base_->GetNumPorts(); });
  }
  uint32_t GetNumUsedPorts() const override {
    return Run(ops_.getNumUsedPorts, kNone, [&] { return base_->GetNumUsedPorts(); });
  }
  uint32_t GetNumConfiguredPorts() const override {
    return Run(ops_.getNumConfiguredPorts, kNone, [&] { return base_->GetNumConfiguredPorts(); });
  }
  std::vector<std::string> GetUplinks() const override {
    return Run(ops_.getUplinks, kNone, [&] { return base_->GetUplinks(); });
  }

 protected:
  FaultySwitch(FaultGate& gate, const SwitchGetterOps& ops, std::unique_ptr<Interface> base)
      : Faulty<Interface>(gate, std::move(base)), ops_(ops) {}

  using Faulty<Interface>::Run;
  using Faulty<Interface>::Change;
  using Faulty<Interface>::gate_;
  using Faulty<Interface>::name_;
  using Faulty<Interface>::base_;

 private:
  const SwitchGetterOps& ops_;
};

// A standard switch. A command that is refused puts the switch's teaming
// policy back as it read it (the link of a pnic does); that write changes
// nothing, and the history keeps the refusal alone.
class FaultyVirtualSwitch : public FaultySwitch<VirtualSwitch> {
 public:
  FaultyVirtualSwitch(FaultGate& gate, std::unique_ptr<VirtualSwitch> base)
      : FaultySwitch(gate, kVirtualSwitchGetters, std::move(base)) {}

  std::vector<std::unique_ptr<PortGroup>> GetPortGroups() const override {
    return Run("VirtualSwitch.GetPortGroups", kNone, [&] {
      return WrapAll(base_->GetPortGroups(), [&](std::unique_ptr<PortGroup> group) {
        return WrapPortGroup(gate_, std::move(group));
      });
    });
  }
  std::unique_ptr<PortGroup> AddPortGroup(const std::string& name) override {
    return Tracked("VirtualSwitch.AddPortGroup", name,
                   [&] { return WrapPortGroup(gate_, base_->AddPortGroup(name)); });
  }
  void RemovePortGroup(const std::string& name) override {
    Tracked("VirtualSwitch.RemovePortGroup", name, [&] { base_->RemovePortGroup(name); });
  }
  NicTeamingPolicy GetTeamingPolicy() const override {
    NicTeamingPolicy policy =
        Run("VirtualSwitch.GetTeamingPolicy", kNone, [&] { return base_->GetTeamingPolicy(); });
    held_ = policy;
    return policy;
  }
  void SetTeamingPolicy(NicTeamingPolicy policy) override {
    const char* op = "VirtualSwitch.SetTeamingPolicy";
    if (refused_ && held_ == policy) {
      gate_.PutBack(op, name_, kNone, [&] { base_->SetTeamingPolicy(std::move(policy)); });
      return;
    }
    Tracked(op, kNone, [&] { base_->SetTeamingPolicy(policy); });
    held_ = std::move(policy);
  }
  void AddUplink(const std::string& pnic, bool persist) override {
    Tracked("VirtualSwitch.AddUplink", pnic, [&] { base_->AddUplink(pnic, persist); });
  }
  void RemoveUplink(const std::string& pnic, bool configOnly) override {
    Tracked("VirtualSwitch.RemoveUplink", pnic, [&] { base_->RemoveUplink(pnic, configOnly); });
  }
  int32_t GetCdpStatus() const override {
    return Run("VirtualSwitch.GetCdpStatus", kNone, [&] { return base_->GetCdpStatus(); });
  }
  void SetCdpStatus(int32_t status) override {
    Tracked("VirtualSwitch.SetCdpStatus", kNone, [&] { base_->SetCdpStatus(status); });
  }
  uint32_t GetMtu() const override {
    return Run("VirtualSwitch.GetMtu", kNone, [&] { return base_->GetMtu(); });
  }
  void SetMtu(uint16_t mtu) override {
    Tracked("VirtualSwitch.SetMtu", kNone, [&] { base_->SetMtu(mtu); });
  }
  void RestoreUplinks() override {
    Tracked("VirtualSwitch.RestoreUplinks", kNone, [&] { base_->RestoreUplinks(); });
  }

 private:
  // Change, keeping track of the policy the switch holds: a change that was
  // done may have moved it; one that was refused changed nothing.
  template <typename Call>
  auto Tracked(const char* op, const std::string& arg, Call&& call) -> decltype(call()) {
    std::optional<NicTeamingPolicy> before = std::move(held_);
    held_.reset();
    try {
      return Change(op, arg, std::forward<Call>(call));
    } catch (const Quorvic::Lib::QuorvicException&) {
      held_ = std::move(before);
      refused_ = true;
      throw;
    }
  }

  // The teaming policy the switch holds, as this object last read or wrote
  // it with no change done since (no other run changes a switch while a run
  // that looked it up to change it holds it).
  mutable std::optional<NicTeamingPolicy> held_;
  // Whether a change of the switch through this object was refused.
  bool refused_ = false;
};

class FaultyDVSwitch : public FaultySwitch<DVSwitch> {
 public:
  FaultyDVSwitch(FaultGate& gate, std::unique_ptr<DVSwitch> base)
      : FaultySwitch(gate, kDVSwitchGetters, std::move(base)) {}

  std::string GetDVSName() const override {
    return Run("DVSwitch.GetDVSName", kNone, [&] { return base_->GetDVSName(); });
  }
  uint32_t GetMtu() const override {
    return Run("DVSwitch.GetMtu", kNone, [&] { return base_->GetMtu(); });
  }
  void SetMtu(uint16_t mtu) override {
    Change("DVSwitch.SetMtu", kNone, [&] { base_->SetMtu(mtu); });
  }
  std::vector<std::unique_ptr<DVPort>> GetDVPorts() const override {
    return Run("DVSwitch.GetDVPorts", kNone, [&] {
      return WrapAll(base_->GetDVPorts(),
                     [&](std::unique_ptr<DVPort> port) -> std::unique_ptr<DVPort> {
                       return std::make_unique<FaultyDVPort>(gate_, std::move(port));
                     });
    });
  }
  std::string GetSwitchId() const override {
    return Run("DVSwitch.GetSwitchId", kNone, [&] { return base_->GetSwitchId(); });
  }
  void AddDVPortUplink(const std::string& uplink, DVPortParam param) override {
    Change("DVSwitch.AddDVPortUplink", uplink,
           [&] { base_->AddDVPortUplink(uplink, std::move(param)); });
  }
  void RemoveDVPortUplink(const std::string& uplink, int flags) override {
    Change("DVSwitch.RemoveDVPortUplink", uplink,
           [&] { base_->RemoveDVPortUplink(uplink, flags); });
  }
};

class FaultyPortset : public Faulty<Portset> {
 public:
  using Faulty::Faulty;

  std::string GetName() const override {
    return Run("Portset.GetName", kNone, [&] { return base_->GetName(); });
  }
  bool IsEnsActive() override {
    return Run("Portset.IsEnsActive", kNone, [&] { return base_->IsEnsActive(); });
  }
  void ActivateEns(bool interrupt, bool fastSwitch) override {
    Change("Portset.ActivateEns", kNone, [&] { base_->ActivateEns(interrupt, fastSwitch); });
  }
  void DeactivateEns() override {
    Change("Portset.DeactivateEns", kNone, [&] { base_->DeactivateEns(); });
  }
  void ReassociateUplinks(bool ensActive, bool force, int reserved1, int reserved2) override {
    Change("Portset.ReassociateUplinks", kNone,
           [&] { base_->ReassociateUplinks(ensActive, force, reserved1, reserved2); });
  }
};

// The switch information has no name: a switch its calls name is their
// argument.
class FaultySwitchInfo : public Faulty<VirtualSwitchInfo> {
 public:
  FaultySwitchInfo(FaultGate& gate, std::unique_ptr<VirtualSwitchInfo> base)
      : Faulty(gate, kNone, std::move(base)) {}

  void Refresh() override {
    Run("VirtualSwitchInfo.Refresh", kNone, [&] { base_->Refresh(); });
  }

  std::unique_ptr<VirtualSwitch> AddVirtualSwitch(const NicTeamingPolicy& teaming,
                                                  const PortSecurityPolicy& security,
                                                  const ShapingPolicy& shaping,
                                                  const NicCapabilities& capabilities,
                                                  const std::string& name,
                                                  uint32_t numPorts) override {
    return Change("VirtualSwitchInfo.AddVirtualSwitch", name, [&] {
      return WrapVirtualSwitch(
          gate_, base_->AddVirtualSwitch(teaming, security, shaping, capabilities, name, numPorts));
    });
  }
  std::unique_ptr<DVSwitch> AddDVSwitch(const std::string& uuid, const std::string& name,
                                        const std::string& implClass, const std::string& dvsName,
                                        uint32_t numPorts, uint32_t version, int flags) override {
    return Change("VirtualSwitchInfo.AddDVSwitch", name, [&] {
      return WrapDVSwitch(
          gate_, base_->AddDVSwitch(uuid, name, implClass, dvsName, numPorts, version, flags));
    });
  }
  void RemoveVirtualSwitch(const std::string& name) override {
    Change("VirtualSwitchInfo.RemoveVirtualSwitch", name,
           [&] { base_->RemoveVirtualSwitch(name); });
  }
  bool IsStandardSwitch(const std::string& name) override {
    return Run("VirtualSwitchInfo.IsStandardSwitch", name,
               [&] { return base_->IsStandardSwitch(name); });
  }
  std::vector<std::unique_ptr<VirtualSwitch>> GetVirtualSwitches(bool system) override {
    return Run("VirtualSwitchInfo.GetVirtualSwitches", kNone, [&] {
      return WrapAll(base_->GetVirtualSwitches(system), [&](std::unique_ptr<VirtualSwitch> sw) {
        return WrapVirtualSwitch(gate_, std::move(sw));
      });
    });
  }
  std::vector<std::unique_ptr<DVSwitch>> GetDVSwitches() override {
    return Run("VirtualSwitchInfo.GetDVSwitches", kNone,
               [&] { return WrapDVSwitches(base_->GetDVSwitches()); });
  }
  std::vector<std::unique_ptr<DVSwitch>> GetOpaqueSwitches() override {
    return Run("VirtualSwitchInfo.GetOpaqueSwitches", kNone,
               [&] { return WrapDVSwitches(base_->GetOpaqueSwitches()); });
  }
  void RestoreDVSwitches(const std::string& cacheFile) override {
    Change("VirtualSwitchInfo.RestoreDVSwitches", cacheFile,
           [&] { base_->RestoreDVSwitches(cacheFile); });
  }
  void RestoreVirtualSwitches() override {
    Change("VirtualSwitchInfo.RestoreVirtualSwitches", kNone,
           [&] { base_->RestoreVirtualSwitches(); });
  }
  void LoadUplinkTimeoutConfig(const std::string& portset, uint32_t lagId,
                               const std::string& uplink) override {
    Change("VirtualSwitchInfo.LoadUplinkTimeoutConfig", portset,
           [&] { base_->LoadUplinkTimeoutConfig(portset, lagId, uplink); });
  }
  std::vector<UplinkTimeoutConfig> GetUplinkTimeoutConfig(const std::string& portset,
                                                          uint32_t lagId,
                                                          const std::string& uplink) override {
    return Run("VirtualSwitchInfo.GetUplinkTimeoutConfig", portset,
               [&] { return base_->GetUplinkTimeoutConfig(portset, lagId, uplink); });
  }
  void LoadLagTimeoutConfig(const std::string& portset, uint32_t lagId) override {
    Change("VirtualSwitchInfo.LoadLagTimeoutConfig", portset,
           [&] { base_->LoadLagTimeoutConfig(portset, lagId); });
  }
  std::vector<LagTimeoutConfig> GetLagTimeoutConfig(const std::string& portset,
                                                    uint32_t lagId) override {
    return Run("VirtualSwitchInfo.GetLagTimeoutConfig", portset,
               [&] { return base_->GetLagTimeoutConfig(portset, lagId); });
  }

 private:
  std::vector<std::unique_ptr<DVSwitch>> WrapDVSwitches(
      std::vector<std::unique_ptr<DVSwitch>> switches) {
    return WrapAll(std::move(switches), [&](std::unique_ptr<DVSwitch> sw) {
      return WrapDVSwitch(gate_, std::move(sw));
    });
  }
};

// The set of names has none of its own: the name asked about is the argument.
class FaultyPortGroupNames : public Faulty<PortGroupNameSet> {
 public:
  FaultyPortGroupNames(FaultGate& gate, std::unique_ptr<PortGroupNameSet> base)
      : Faulty(gate, kNone, std::move(base)) {}
  bool Contains(const std::string& name) const override {
    return Run("PortGroupNameSet.Contains", name, [&] { return base_->Contains(name); });
  }
  std::set<std::string> GetNames() const override {
    return Run("PortGroupNameSet.GetNames", kNone, [&] { return base_->GetNames(); });
  }
};

class FaultyNamedPortGroup : public Faulty<NamedPortGroup> {
 public:
  using Faulty::Faulty;
  NicTeamingPolicy GetTeamingPolicy() override {
    return Run("PortGroupImpl.GetTeamingPolicy", kNone, [&] { return base_->GetTeamingPolicy(); });
  }
  void SetTeamingPolicy(NicTeamingPolicy policy) override {
    Change("PortGroupImpl.SetTeamingPolicy", kNone,
           [&] { base_->SetTeamingPolicy(std::move(policy)); });
  }
};

class FaultyNamedDVPort : public Faulty<NamedDVPort> {
 public:
  using Faulty::Faulty;
  bool IsValid() override {
    return Run("DVPortImpl.IsValid", kNone, [&] { return base_->IsValid(); });
  }
  uint32_t GetConnectionId() const override {
    return Run("DVPortImpl.GetConnectionId", kNone, [&] { return base_->GetConnectionId(); });
  }
  void SetConnectionId(unsigned int connectionId) override {
    Change("DVPortImpl.SetConnectionId", kNone, [&] { base_->SetConnectionId(connectionId); });
  }
  void TestDVPortZet() override {
    Change("DVPortImpl.TestDVPortZet", kNone, [&] { base_->TestDVPortZet(); });
  }
};

}  // namespace

std::unique_ptr<VirtualSwitchInfo> WrapSwitchInfo(FaultGate& gate,
                                                  std::unique_ptr<VirtualSwitchInfo> info) {
  return std::make_unique<FaultySwitchInfo>(gate, std::move(info));
}

std::unique_ptr<VirtualSwitch> WrapVirtualSwitch(FaultGate& gate,
                                                 std::unique_ptr<VirtualSwitch> vswitch) {
  return std::make_unique<FaultyVirtualSwitch>(gate, std::move(vswitch));
}

std::unique_ptr<DVSwitch> WrapDVSwitch(FaultGate& gate, std::unique_ptr<DVSwitch> dvswitch) {
  return std::make_unique<FaultyDVSwitch>(gate, std::move(dvswitch));
}

std::unique_ptr<Portset> WrapPortset(FaultGate& gate, std::unique_ptr<Portset> portset) {
  return std::make_unique<FaultyPortset>(gate, std::move(portset));
}

std::unique_ptr<PortGroupNameSet> WrapPortGroupNames(FaultGate& gate,
                                                     std::unique_ptr<PortGroupNameSet> names) {
  return std::make_unique<FaultyPortGroupNames>(gate, std::move(names));
}

std::unique_ptr<NamedPortGroup> WrapNamedPortGroup(FaultGate& gate, std::string name,
                                                   std::unique_ptr<NamedPortGroup> portGroup) {
  return std::make_unique<FaultyNamedPortGroup>(gate, std::move(name), std::move(portGroup));
}

std::unique_ptr<NamedDVPort> WrapNamedDVPort(FaultGate& gate, std::string portId,
                                             std::unique_ptr<NamedDVPort> port) {
  return std::make_unique<FaultyNamedDVPort>(gate, std::move(portId), std::move(port));
}

}  // namespace faults
