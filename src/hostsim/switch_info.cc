#include "hostsim/switch_info.h"

#include <utility>

#include "hostnet/quorvic_exception.h"
#include "hostsim/dv_switch_handle.h"
#include "hostsim/host_constants.h"
#include "hostsim/operation.h"
#include "hostsim/port_group_cursor.h"
#include "hostsim/range_checks.h"
#include "hostsim/standard_switch.h"
#include "hostsim/teaming.h"

namespace hostsim {

using Quorvic::Lib::QuorvicException;
using namespace Quorvic::Network;

namespace {
constexpr const char* kClass = "VirtualSwitchInfo";
}  // namespace

void SwitchInfo::Refresh() {
  // Handles read the host when they are made, so there is nothing to drop.
  CheckOperation(kClass, "Refresh", "");
}

namespace {

// The row of a new switch: name and port count checked, the host's defaults
// for everything the caller does not set.
SwitchRow NewSwitchRow(SwitchKind kind, const std::string& name, uint32_t numPorts) {
  CheckSwitchName(name);
  CheckNumPorts(numPorts);
  SwitchRow row;
  row.kind = kind;
  row.name = name;
  row.numPorts = numPorts;
  row.mtu = kDefaultMtu;
  return row;
}

}  // namespace

std::unique_ptr<VirtualSwitch> SwitchInfo::AddVirtualSwitch(
    const NicTeamingPolicy& teaming, const PortSecurityPolicy&, const ShapingPolicy&,
    const NicCapabilities&, const std::string& name, uint32_t numPorts) {
  return RunOperation(kClass, "AddVirtualSwitch", "", name,
                      [&](Store& store) -> std::unique_ptr<VirtualSwitch> {
                        SwitchRow row = NewSwitchRow(SwitchKind::kStandard, name, numPorts);
                        row.cdp = kCdpListen;
                        row.teaming = RowFromPolicy(teaming);
                        return std::make_unique<StandardSwitch>(store.AddSwitch(std::move(row)));
                      });
}

std::unique_ptr<DVSwitch> SwitchInfo::AddDVSwitch(const std::string& uuid, const std::string& name,
                                                  const std::string& implClass,
                                                  const std::string& dvsName, uint32_t numPorts,
                                                  uint32_t version, int flags) {
  return RunOperation(kClass, "AddDVSwitch", "", name,
                      [&](Store& store) -> std::unique_ptr<DVSwitch> {
                        if (flags != 0) {
                          throw QuorvicException("flags " + std::to_string(flags) + " must be 0");
                        }
                        SwitchRow row = NewSwitchRow(SwitchKind::kDistributed, name, numPorts);
                        row.dvsName = dvsName;
                        row.uuid = uuid;
                        row.switchId = uuid;
                        row.implClass = implClass;
                        row.version = version;
                        return std::make_unique<DVSwitchHandle>(store.AddSwitch(std::move(row)));
                      });
}

void SwitchInfo::RemoveVirtualSwitch(const std::string& name) {
  RunOperation(kClass, "RemoveVirtualSwitch", "", name,
               [&](Store& store) { store.RemoveSwitch(name); });
}

bool SwitchInfo::IsStandardSwitch(const std::string& name) {
  return RunOperation(kClass, "IsStandardSwitch", "", name, [&](Store& store) {
    return store.FindSwitch(name, SwitchKind::kStandard).has_value();
  });
}

std::vector<std::unique_ptr<VirtualSwitch>> SwitchInfo::GetVirtualSwitches(bool system) {
  return RunOperation(kClass, "GetVirtualSwitches", "", "", [&](Store& store) {
    auto cursor = std::make_shared<PortGroupCursor>(store.Db(), system);
    HostSession::Get().RegisterCursor(cursor);
    std::vector<std::unique_ptr<VirtualSwitch>> switches;
    store.ReadSwitches(SwitchKind::kStandard, system, [&](SwitchRow&& row) {
      switches.push_back(std::make_unique<StandardSwitch>(std::move(row), cursor));
    });
    return switches;
  });
}

namespace {

// Handles on the running switches of a kind served by DVSwitchHandle.
std::vector<std::unique_ptr<DVSwitch>> ReadDVSwitchHandles(Store& store, SwitchKind kind) {
  std::vector<std::unique_ptr<DVSwitch>> switches;
  store.ReadSwitches(kind, false, [&](SwitchRow&& row) {
    switches.push_back(std::make_unique<DVSwitchHandle>(std::move(row)));
  });
  return switches;
}

}  // namespace

std::vector<std::unique_ptr<DVSwitch>> SwitchInfo::GetDVSwitches() {
  return RunOperation(kClass, "GetDVSwitches", "", "", [&](Store& store) {
    return ReadDVSwitchHandles(store, SwitchKind::kDistributed);
  });
}

std::vector<std::unique_ptr<DVSwitch>> SwitchInfo::GetOpaqueSwitches() {
  return RunOperation(kClass, "GetOpaqueSwitches", "", "", [&](Store& store) {
    return ReadDVSwitchHandles(store, SwitchKind::kOpaque);
  });
}

void SwitchInfo::RestoreDVSwitches(const std::string& cacheFile) {
  // The DVSwitch records live in the host database; the cache file is not read.
  RunOperation(kClass, "RestoreDVSwitches", "", cacheFile,
               [&](Store& store) { store.RestoreDVSwitches(); });
}

void SwitchInfo::RestoreVirtualSwitches() {
  RunOperation(kClass, "RestoreVirtualSwitches", "", "",
               [&](Store& store) { store.RestoreVirtualSwitches(); });
}

void SwitchInfo::LoadUplinkTimeoutConfig(const std::string& portset, uint32_t lagId,
                                         const std::string& uplink) {
  RunOperation(kClass, "LoadUplinkTimeoutConfig", "", portset,
               [&](Store& store) { store.LoadUplinkTimeouts(portset, lagId, uplink); });
}

std::vector<UplinkTimeoutConfig> SwitchInfo::GetUplinkTimeoutConfig(const std::string& portset,
                                                                    uint32_t lagId,
                                                                    const std::string& uplink) {
  return RunOperation(kClass, "GetUplinkTimeoutConfig", "", portset, [&](Store& store) {
    std::vector<UplinkTimeoutConfig> configs;
    for (const UplinkTimeoutRow& row : store.ReadUplinkTimeouts(portset, lagId, uplink)) {
      configs.push_back({row.portset, row.uplink, row.lagId, static_cast<uint8_t>(row.timeout)});
    }
    return configs;
  });
}

void SwitchInfo::LoadLagTimeoutConfig(const std::string& portset, uint32_t lagId) {
  RunOperation(kClass, "LoadLagTimeoutConfig", "", portset,
               [&](Store& store) { store.LoadLagTimeouts(portset, lagId); });
}

std::vector<LagTimeoutConfig> SwitchInfo::GetLagTimeoutConfig(const std::string& portset,
                                                              uint32_t lagId) {
  return RunOperation(kClass, "GetLagTimeoutConfig", "", portset, [&](Store& store) {
    std::vector<LagTimeoutConfig> configs;
    for (const LagTimeoutRow& row : store.ReadLagTimeouts(portset, lagId)) {
      configs.push_back({row.portset, row.lagId, static_cast<uint8_t>(row.timeout)});
    }
    return configs;
  });
}

}  // namespace hostsim
