#include "backends/rows/switch_info.h"

#include <utility>

#include "backends/rows/dv_switch_handle.h"
#include "backends/rows/lags.h"
#include "backends/rows/new_switches.h"
#include "backends/rows/standard_switch_handle.h"
#include "backends/rows/teaming.h"
#include "backends/rows/unreadable_handles.h"
#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Lib::QuorvicException;
using namespace Quorvic::Network;

// Handles read the host when they are made, so there is nothing to drop.
void SwitchInfo::Refresh() {}

std::unique_ptr<VirtualSwitch> SwitchInfo::AddVirtualSwitch(
    const NicTeamingPolicy& teaming, const PortSecurityPolicy&, const ShapingPolicy&,
    const NicCapabilities&, const std::string& name, uint32_t numPorts) {
  StandardSwitchDoc sw = NewStandardSwitch(store_, name, numPorts, RowFromPolicy(teaming));
  sw.row.ref = store_.AddSwitch(sw);
  return std::make_unique<StandardSwitchHandle>(store_, std::move(sw));
}

std::unique_ptr<DVSwitch> SwitchInfo::AddDVSwitch(const std::string& uuid, const std::string& name,
                                                  const std::string& implClass,
                                                  const std::string& dvsName, uint32_t numPorts,
                                                  uint32_t version, int flags) {
  if (flags != 0) throw QuorvicException("flags " + std::to_string(flags) + " must be 0");
  DVSwitchDoc dvs = NewDVSwitch(store_, name, numPorts, uuid, implClass, dvsName, version);
  dvs.row.ref = store_.AddDVSwitch(dvs);
  return std::make_unique<DVSwitchHandle>(store_, std::move(dvs));
}

// Switch names are one namespace: the switch of that name goes, read alone,
// without what it holds.
void SwitchInfo::RemoveVirtualSwitch(const std::string& name) {
  std::optional<SwitchRow> sw = store_.FindAnySwitch(SwitchKey::Name(name));
  std::optional<RowRef> ref;
  if (sw && sw->running && sw->kind != SwitchKind::kOpaque) ref = std::move(sw->ref);
  if (!ref || !store_.RemoveSwitch(*ref)) {
    throw QuorvicException(QuorvicException::Kind::kNotFound,
                           "no standard switch or DVSwitch named " + name);
  }
}

bool SwitchInfo::IsStandardSwitch(const std::string& name) {
  std::optional<SwitchRow> sw = store_.FindAnySwitch(SwitchKey::Name(name));
  return sw && sw->kind == SwitchKind::kStandard && sw->running;
}

// A large host is never held whole: each handle takes its port groups from
// the store's listing when the caller asks for them.
std::vector<std::unique_ptr<VirtualSwitch>> SwitchInfo::GetVirtualSwitches(bool system) {
  std::vector<std::unique_ptr<VirtualSwitch>> switches;
  store_.ListSwitches(system, [&](SwitchRow&& row) {
    switches.push_back(std::make_unique<StandardSwitchHandle>(store_, std::move(row)));
  });
  return switches;
}

// Rows of other writers that the read skipped follow, so that a listing
// names each with what is wrong instead of hiding it.
std::vector<std::unique_ptr<DVSwitch>> SwitchInfo::GetDVSwitches() {
  std::vector<DVSwitchDoc> read = store_.ReadDVSwitches();
  std::vector<UnreadableRow> unreadable = store_.Unreadable();
  std::vector<std::unique_ptr<DVSwitch>> switches;
  for (DVSwitchDoc& dvs : read) {
    std::vector<UnreadableRow> ports;
    for (const UnreadableRow& row : unreadable) {
      if (!row.dvport.empty() && row.dvswitch == dvs.row.name) ports.push_back(row);
    }
    switches.push_back(
        std::make_unique<DVSwitchHandle>(store_, std::move(dvs), std::move(ports)));
  }
  for (const UnreadableRow& row : unreadable) {
    if (row.dvport.empty()) switches.push_back(std::make_unique<UnreadableDVSwitchHandle>(row));
  }
  return switches;
}

std::vector<std::unique_ptr<DVSwitch>> SwitchInfo::GetOpaqueSwitches() {
  std::vector<std::unique_ptr<DVSwitch>> switches;
  for (SwitchRow& row : store_.ReadOpaqueSwitches()) {
    switches.push_back(std::make_unique<DVSwitchHandle>(store_, DVSwitchDoc{std::move(row), {}}));
  }
  return switches;
}

// The DVSwitch records live in the host; the cache file is not read.
void SwitchInfo::RestoreDVSwitches(const std::string&) {
  store_.StartSwitches(SwitchKind::kDistributed, [](SwitchRow& row) { row.running = true; });
}

// Standard switches start with their stored configuration and no links.
void SwitchInfo::RestoreVirtualSwitches() {
  store_.StartSwitches(SwitchKind::kStandard, [](SwitchRow& row) {
    row.running = true;
    row.uplinks.clear();
  });
}

void SwitchInfo::LoadUplinkTimeoutConfig(const std::string& portset, uint32_t lagId,
                                         const std::string& uplink) {
  if (store_.RunsLags()) RunSelectedMembers(store_, portset, lagId, uplink);
  store_.EditRecords([&](HostRecords& records) {
    for (UplinkTimeoutRow& row : records.uplinkTimeouts) {
      if (Selects(portset, lagId, uplink, row)) row.loaded = true;
    }
  });
}

std::vector<UplinkTimeoutConfig> SwitchInfo::GetUplinkTimeoutConfig(const std::string& portset,
                                                                    uint32_t lagId,
                                                                    const std::string& uplink) {
  if (store_.RunsLags()) return GetRunningMembers(store_, portset, lagId, uplink);
  std::vector<UplinkTimeoutConfig> configs;
  for (const UplinkTimeoutRow& row : store_.ReadRecords().uplinkTimeouts) {
    if (Selects(portset, lagId, uplink, row)) {
      configs.push_back({row.portset, row.uplink, row.lagId, static_cast<uint8_t>(row.timeout)});
    }
  }
  return configs;
}

void SwitchInfo::LoadLagTimeoutConfig(const std::string& portset, uint32_t lagId) {
  if (store_.RunsLags()) RunSelectedLags(store_, portset, lagId);
  store_.EditRecords([&](HostRecords& records) {
    for (LagTimeoutRow& row : records.lagTimeouts) {
      if (Selects(portset, lagId, row)) row.loaded = true;
    }
  });
}

std::vector<LagTimeoutConfig> SwitchInfo::GetLagTimeoutConfig(const std::string& portset,
                                                              uint32_t lagId) {
  if (store_.RunsLags()) return GetRunningLags(store_, portset, lagId);
  std::vector<LagTimeoutConfig> configs;
  for (const LagTimeoutRow& row : store_.ReadRecords().lagTimeouts) {
    if (Selects(portset, lagId, row)) {
      configs.push_back({row.portset, row.lagId, static_cast<uint8_t>(row.timeout)});
    }
  }
  return configs;
}

}  // namespace rows
