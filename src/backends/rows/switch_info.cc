#include "backends/rows/switch_info.h"

#include <utility>

#include "backends/rows/dv_switch_handle.h"
#include "backends/rows/range_checks.h"
#include "backends/rows/row_limits.h"
#include "backends/rows/standard_switch_handle.h"
#include "backends/rows/teaming.h"
#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Lib::QuorvicException;
using namespace Quorvic::Network;

// Handles read the host when they are made, so there is nothing to drop.
void SwitchInfo::Refresh() {}

namespace {

// The row of a new switch: name and port count checked, the host's defaults
// for everything the caller does not set.
SwitchRow NewSwitchRow(const RowStore& store, SwitchKind kind, const std::string& name,
                       uint32_t numPorts) {
  CheckSwitchName(name, store.MaxSwitchNameSize());
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
  SwitchRow row = NewSwitchRow(store_, SwitchKind::kStandard, name, numPorts);
  row.cdp = kCdpListen;
  row.teaming = RowFromPolicy(teaming);
  return std::make_unique<StandardSwitchHandle>(store_, store_.AddSwitch(std::move(row)));
}

std::unique_ptr<DVSwitch> SwitchInfo::AddDVSwitch(const std::string& uuid, const std::string& name,
                                                  const std::string& implClass,
                                                  const std::string& dvsName, uint32_t numPorts,
                                                  uint32_t version, int flags) {
  if (flags != 0) throw QuorvicException("flags " + std::to_string(flags) + " must be 0");
  SwitchRow row = NewSwitchRow(store_, SwitchKind::kDistributed, name, numPorts);
  CheckPrintableName("DVS", dvsName);
  CheckPrintableName("implementation class", implClass);
  row.dvsName = dvsName;
  row.uuid = uuid;
  row.switchId = uuid;
  row.implClass = implClass;
  row.version = version;
  return std::make_unique<DVSwitchHandle>(store_, store_.AddSwitch(std::move(row)));
}

void SwitchInfo::RemoveVirtualSwitch(const std::string& name) { store_.RemoveSwitch(name); }

bool SwitchInfo::IsStandardSwitch(const std::string& name) {
  return store_.FindSwitch(name, SwitchKind::kStandard).has_value();
}

std::vector<std::unique_ptr<VirtualSwitch>> SwitchInfo::GetVirtualSwitches(bool system) {
  store_.StartPortGroupListing(system);
  std::vector<std::unique_ptr<VirtualSwitch>> switches;
  store_.ReadSwitches(SwitchKind::kStandard, system, [&](SwitchRow&& row) {
    switches.push_back(std::make_unique<StandardSwitchHandle>(store_, std::move(row)));
  });
  return switches;
}

namespace {

// Handles on the running switches of a kind served by DVSwitchHandle.
std::vector<std::unique_ptr<DVSwitch>> ReadDVSwitchHandles(RowStore& store, SwitchKind kind) {
  std::vector<std::unique_ptr<DVSwitch>> switches;
  store.ReadSwitches(kind, false, [&](SwitchRow&& row) {
    switches.push_back(std::make_unique<DVSwitchHandle>(store, std::move(row)));
  });
  return switches;
}

}  // namespace

std::vector<std::unique_ptr<DVSwitch>> SwitchInfo::GetDVSwitches() {
  return ReadDVSwitchHandles(store_, SwitchKind::kDistributed);
}

std::vector<std::unique_ptr<DVSwitch>> SwitchInfo::GetOpaqueSwitches() {
  return ReadDVSwitchHandles(store_, SwitchKind::kOpaque);
}

// The DVSwitch records live in the host database; the cache file is not read.
void SwitchInfo::RestoreDVSwitches(const std::string&) { store_.RestoreDVSwitches(); }

void SwitchInfo::RestoreVirtualSwitches() { store_.RestoreVirtualSwitches(); }

void SwitchInfo::LoadUplinkTimeoutConfig(const std::string& portset, uint32_t lagId,
                                         const std::string& uplink) {
  store_.LoadUplinkTimeouts(portset, lagId, uplink);
}

std::vector<UplinkTimeoutConfig> SwitchInfo::GetUplinkTimeoutConfig(const std::string& portset,
                                                                    uint32_t lagId,
                                                                    const std::string& uplink) {
  std::vector<UplinkTimeoutConfig> configs;
  for (const UplinkTimeoutRow& row : store_.ReadUplinkTimeouts(portset, lagId, uplink)) {
    configs.push_back({row.portset, row.uplink, row.lagId, static_cast<uint8_t>(row.timeout)});
  }
  return configs;
}

void SwitchInfo::LoadLagTimeoutConfig(const std::string& portset, uint32_t lagId) {
  store_.LoadLagTimeouts(portset, lagId);
}

std::vector<LagTimeoutConfig> SwitchInfo::GetLagTimeoutConfig(const std::string& portset,
                                                              uint32_t lagId) {
  std::vector<LagTimeoutConfig> configs;
  for (const LagTimeoutRow& row : store_.ReadLagTimeouts(portset, lagId)) {
    configs.push_back({row.portset, row.lagId, static_cast<uint8_t>(row.timeout)});
  }
  return configs;
}

}  // namespace rows
