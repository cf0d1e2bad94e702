#include "hostnet/korvel_impl.h"

#include <cctype>

#include "hostnet/quorvic_exception.h"
#include "hostsim/operation.h"
#include "hostsim/teaming.h"

namespace Korvel::Network {

using hostsim::CheckOperation;
using hostsim::RunOperation;
using hostsim::Store;
using hostsim::SwitchKind;
using Quorvic::Lib::QuorvicException;
using Quorvic::Network::DVPortParam;
using Quorvic::Network::NicTeamingPolicy;

bool PortsetImpl::IsValidVirtualSwitch(const std::string& name) {
  return RunOperation("PortsetImpl", "IsValidVirtualSwitch", "", name, [&](Store& store) {
    return store.FindSwitch(name, SwitchKind::kStandard).has_value() ||
           store.FindSwitch(name, SwitchKind::kDistributed).has_value();
  });
}

int32_t VirtualSwitchImpl::ParseCdpStatus(const std::string& text) {
  return RunOperation("VirtualSwitchImpl", "ParseCdpStatus", "", text, [&](Store&) {
    static const char* const kNames[] = {"down", "listen", "advertise", "both"};
    std::string folded;
    for (char c : text) folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (int32_t value = 0; value < 4; ++value) {
      if (folded == kNames[value]) return value;
    }
    throw QuorvicException("unknown CDP status " + text);
  });
}

VirtualSwitchInfoImpl::VirtualSwitchInfoImpl() {
  CheckOperation("VirtualSwitchInfoImpl", "VirtualSwitchInfoImpl", "");
}

VirtualSwitchInfoImpl::~VirtualSwitchInfoImpl() = default;

bool VirtualSwitchInfoImpl::SwitchExists(const std::string& name) {
  return RunOperation("VirtualSwitchInfoImpl", "SwitchExists", "", name, [&](Store& store) {
    return store.FindSwitch(name, SwitchKind::kStandard).has_value();
  });
}

namespace {

// The port group of that name on a running switch, or a throw naming it.
hostsim::PortGroupRow RequirePortGroup(Store& store, const std::string& name) {
  auto found = store.FindPortGroup(name);
  if (!found) throw QuorvicException("no port group named " + name);
  return std::move(found->first);
}

}  // namespace

bool PortGroupImpl::IsValidPortGroup(const std::string& name) {
  return RunOperation("PortGroupImpl", "IsValidPortGroup", "", name,
                      [&](Store& store) { return store.FindPortGroup(name).has_value(); });
}

PortGroupImpl::PortGroupImpl(const std::string& name) : name_(name) {
  RunOperation("PortGroupImpl", "PortGroupImpl", name, "",
               [&](Store& store) { RequirePortGroup(store, name_); });
}

PortGroupImpl::~PortGroupImpl() = default;

NicTeamingPolicy PortGroupImpl::GetTeamingPolicy() {
  return RunOperation("PortGroupImpl", "GetTeamingPolicy", name_, "", [&](Store& store) {
    return hostsim::PolicyFromRow(RequirePortGroup(store, name_).teaming);
  });
}

void PortGroupImpl::SetTeamingPolicy(NicTeamingPolicy policy) {
  RunOperation("PortGroupImpl", "SetTeamingPolicy", name_, "", [&](Store& store) {
    store.SetPortGroupTeaming(RequirePortGroup(store, name_), hostsim::RowFromPolicy(policy));
  });
}

namespace {

hostsim::DVPortRow RequireDVPort(Store& store, const DVPortParam& param) {
  auto port = store.FindDVPort(param.switchId, param.portId);
  if (!port) {
    throw QuorvicException("no DVPort " + param.portId + " on a DVSwitch with switch id " +
                           param.switchId);
  }
  return std::move(*port);
}

}  // namespace

DVPortImpl::DVPortImpl(const DVPortParam& param) : param_(param) {
  CheckOperation("DVPortImpl", "DVPortImpl", param_.portId);
}

DVPortImpl::~DVPortImpl() = default;

bool DVPortImpl::IsValid() {
  return RunOperation("DVPortImpl", "IsValid", param_.portId, "", [&](Store& store) {
    return store.FindDVPort(param_.switchId, param_.portId).has_value();
  });
}

uint32_t DVPortImpl::GetConnectionId() const {
  return RunOperation("DVPortImpl", "GetConnectionId", param_.portId, "",
                      [&](Store& store) { return RequireDVPort(store, param_).connectionId; });
}

void DVPortImpl::SetConnectionId(unsigned int connectionId) {
  RunOperation("DVPortImpl", "SetConnectionId", param_.portId, "", [&](Store& store) {
    store.SetConnectionId(RequireDVPort(store, param_), connectionId);
  });
}

void DVPortImpl::TestDVPortZet() {
  RunOperation("DVPortImpl", "TestDVPortZet", param_.portId, "",
               [&](Store& store) { store.RaiseTestEvent(RequireDVPort(store, param_)); });
}

}  // namespace Korvel::Network
