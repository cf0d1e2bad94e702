#include "hostnet/network_factory.h"

#include <utility>

#include "hostnet/quorvic_exception.h"
#include "hostsim/dv_switch_handle.h"
#include "hostsim/operation.h"
#include "hostsim/portset_handle.h"
#include "hostsim/standard_switch.h"

namespace Quorvic::Network {

using hostsim::RunOperation;
using hostsim::Store;
using hostsim::SwitchKind;
using Quorvic::Lib::QuorvicException;

namespace {
constexpr const char* kClass = "NetworkFactory";
}  // namespace

std::unique_ptr<VirtualSwitch> NetworkFactory::GetVirtualSwitchById(const std::string& name,
                                                                    PortsetGetType) {
  return RunOperation(kClass, "GetVirtualSwitchById", "", name,
                      [&](Store& store) -> std::unique_ptr<VirtualSwitch> {
                        auto row = store.FindSwitch(name, SwitchKind::kStandard);
                        if (!row) throw QuorvicException("no standard switch named " + name);
                        return std::make_unique<hostsim::StandardSwitch>(std::move(*row));
                      });
}

std::unique_ptr<DVSwitch> NetworkFactory::GetDVSwitchByName(const std::string& name) {
  return RunOperation(kClass, "GetDVSwitchByName", "", name,
                      [&](Store& store) -> std::unique_ptr<DVSwitch> {
                        auto row = store.FindSwitch(name, SwitchKind::kDistributed);
                        if (!row) throw QuorvicException("no DVSwitch named " + name);
                        return std::make_unique<hostsim::DVSwitchHandle>(std::move(*row));
                      });
}

std::unique_ptr<Portset> NetworkFactory::GetPortsetById(const std::string& name) {
  return RunOperation(kClass, "GetPortsetById", "", name,
                      [&](Store& store) -> std::unique_ptr<Portset> {
                        auto row = store.FindSwitch(name, SwitchKind::kStandard);
                        if (!row) row = store.FindSwitch(name, SwitchKind::kDistributed);
                        if (!row) {
                          throw QuorvicException("no standard switch or DVSwitch named " + name);
                        }
                        return std::make_unique<hostsim::PortsetHandle>(std::move(*row));
                      });
}

}  // namespace Quorvic::Network
