#include "commands/switch_settings.h"

#include <cstddef>
#include <memory>
#include <string>

#include "hostnet/korvel_impl.h"
#include "hostnet/network_factory.h"
#include "hostnet/quorvic_exception.h"
#include "output/output.h"

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::NetworkFactory;
using Quorvic::Network::NicTeamingPolicy;
using Quorvic::Network::VirtualSwitch;

const std::array<std::string, 4> CdpStatusNames = {"down", "listen", "advertise", "both"};

namespace {

const char kPrintStatus[] = "print";

std::string CdpStatusName(int32_t status) {
  if (status < 0 || static_cast<std::size_t>(status) >= CdpStatusNames.size()) {
    return std::to_string(status);
  }
  return CdpStatusNames[static_cast<std::size_t>(status)];
}

// The standard switch name, or null when the host has none of that name.
// Any other failure of the lookup says nothing of the name and goes on to the
// caller.
std::unique_ptr<VirtualSwitch> FindStandardSwitch(const std::string& name) {
  try {
    return NetworkFactory::GetVirtualSwitchById(name, 0);
  } catch (const QuorvicException& e) {
    if (e.GetKind() != QuorvicException::Kind::kNotFound) throw;
    return nullptr;
  }
}

}  // namespace

int SetOrPrintCdpStatus(VirtualSwitch& vswitch, const CommandLine& line) {
  const std::string& status = line.cdpStatus;
  try {
    if (status == kPrintStatus) {
      const std::string name = CdpStatusName(vswitch.GetCdpStatus());
      OutputLine() << name;
    } else {
      vswitch.SetCdpStatus(Korvel::Network::VirtualSwitchImpl::ParseCdpStatus(status));
    }
    return 0;
  } catch (const QuorvicException& e) {
    ErrorLine() << "Failed to set CDP status on: " << vswitch.GetName()
                << ", Error: " << e.GetMessage();
    return 1;
  }
}

int SetSwitchMaxActive(VirtualSwitch& vswitch, const CommandLine& line) {
  const int32_t maxActive = line.maxActive;
  try {
    NicTeamingPolicy policy = vswitch.GetTeamingPolicy();
    policy.SetMaxActiveUplinks(maxActive);
    vswitch.SetTeamingPolicy(policy);
    return 0;
  } catch (const QuorvicException& e) {
    ErrorLine() << "Failed to set max active: " << vswitch.GetName()
                << ", Error: " << e.GetMessage();
    return 1;
  }
}

int PrintSwitchMaxActive(VirtualSwitch& vswitch, const CommandLine&) {
  try {
    const int32_t maxActive = vswitch.GetTeamingPolicy().GetMaxActiveUplinks();
    OutputLine() << maxActive;
    return 0;
  } catch (const QuorvicException& e) {
    ErrorLine() << "Failed to get max active: " << vswitch.GetName()
                << ", Error: " << e.GetMessage();
    return 1;
  }
}

void SetSwitchMtu(const std::string& name, uint16_t mtu) {
  if (const auto vswitch = FindStandardSwitch(name)) {
    vswitch->SetMtu(mtu);
    return;
  }
  NetworkFactory::GetDVSwitchByName(name)->SetMtu(mtu);
}

void MtuBlock(RunContext& run) { SetSwitchMtu(run.line.vswitchName, run.line.mtu); }
