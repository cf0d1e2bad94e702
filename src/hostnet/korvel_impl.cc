#include "hostnet/korvel_impl.h"

#include "hostnet/process_backend.h"

namespace Korvel::Network {

using hostnet::ProcessBackend;
using Quorvic::Network::DVPortParam;
using Quorvic::Network::NicTeamingPolicy;

bool PortsetImpl::IsValidVirtualSwitch(const std::string& name) {
  return ProcessBackend().IsValidVirtualSwitch(name);
}

int32_t VirtualSwitchImpl::ParseCdpStatus(const std::string& text) {
  return ProcessBackend().ParseCdpStatus(text);
}

VirtualSwitchInfoImpl::VirtualSwitchInfoImpl() {
  ProcessBackend().NoteCall("VirtualSwitchInfoImpl.VirtualSwitchInfoImpl");
}

VirtualSwitchInfoImpl::~VirtualSwitchInfoImpl() = default;

bool VirtualSwitchInfoImpl::SwitchExists(const std::string& name) {
  return ProcessBackend().SwitchExists(name);
}

bool PortGroupImpl::IsValidPortGroup(const std::string& name) {
  return ProcessBackend().IsValidPortGroup(name);
}

PortGroupImpl::PortGroupImpl(const std::string& name)
    : portGroup_(ProcessBackend().OpenPortGroup(name)) {}

PortGroupImpl::~PortGroupImpl() = default;

NicTeamingPolicy PortGroupImpl::GetTeamingPolicy() { return portGroup_->GetTeamingPolicy(); }

void PortGroupImpl::SetTeamingPolicy(NicTeamingPolicy policy) {
  portGroup_->SetTeamingPolicy(std::move(policy));
}

DVPortImpl::DVPortImpl(const DVPortParam& param) : port_(ProcessBackend().OpenDVPort(param)) {}

DVPortImpl::~DVPortImpl() = default;

bool DVPortImpl::IsValid() { return port_->IsValid(); }

uint32_t DVPortImpl::GetConnectionId() const { return port_->GetConnectionId(); }

void DVPortImpl::SetConnectionId(unsigned int connectionId) {
  port_->SetConnectionId(connectionId);
}

void DVPortImpl::TestDVPortZet() { port_->TestDVPortZet(); }

}  // namespace Korvel::Network
