#include "backends/rows/standard_switch_handle.h"

#include <algorithm>
#include <utility>

#include "backends/rows/port_group_handle.h"
#include "backends/rows/range_checks.h"
#include "backends/rows/switch_edits.h"
#include "backends/rows/teaming.h"
#include "backends/rows/uplinks.h"
#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::NicTeamingPolicy;
using Quorvic::Network::PortGroup;

StandardSwitchHandle::StandardSwitchHandle(RowStore& store, StandardSwitchDoc doc)
    : SwitchRowHandle(store, std::move(doc.row), true), groups_(std::move(doc.portGroups)) {}

StandardSwitchHandle::StandardSwitchHandle(RowStore& store, SwitchRow listed)
    : SwitchRowHandle(store, std::move(listed), false) {}

void StandardSwitchHandle::Edit(const std::function<void(StandardSwitchDoc&)>& edit) {
  StandardSwitchDoc written = EditStandardSwitch(store_, row_, edit);
  row_ = std::move(written.row);
  groups_ = std::move(written.portGroups);
}

std::vector<PortGroupRow> StandardSwitchHandle::TakeOrReadPortGroups() const {
  if (std::optional<std::vector<PortGroupRow>> listed = store_.TakeListedPortGroups(row_.ref)) {
    return std::move(*listed);
  }
  std::optional<StandardSwitchDoc> now = store_.FindSwitch(SwitchKey::Name(row_.name));
  if (!now || now->row.ref != row_.ref) SwitchGone(row_);
  return std::move(now->portGroups);
}

std::vector<std::unique_ptr<PortGroup>> StandardSwitchHandle::GetPortGroups() const {
  std::vector<PortGroupRow> rows = groups_ ? *groups_ : TakeOrReadPortGroups();
  std::vector<std::unique_ptr<PortGroup>> groups;
  groups.reserve(rows.size());
  for (PortGroupRow& row : rows) {
    groups.push_back(std::make_unique<PortGroupHandle>(store_, row_.ref, std::move(row), Counted()));
  }
  return groups;
}

std::unique_ptr<PortGroup> StandardSwitchHandle::AddPortGroup(const std::string& name) {
  CheckPrintableName("port group", name);
  if (name.empty()) throw QuorvicException("a port group name must not be empty");
  Edit([&](StandardSwitchDoc& sw) {
    std::optional<StandardSwitchDoc> holder = store_.FindSwitch(SwitchKey::PortGroup(name));
    if (holder) {
      throw QuorvicException("port group " + name + " already exists on " + holder->row.name);
    }
    PortGroupRow pg;
    pg.name = name;
    sw.portGroups.push_back(std::move(pg));
  });
  return std::make_unique<PortGroupHandle>(store_, row_.ref, groups_->back(), Counted());
}

void StandardSwitchHandle::RemovePortGroup(const std::string& name) {
  Edit([&](StandardSwitchDoc& sw) {
    auto found = std::find_if(sw.portGroups.begin(), sw.portGroups.end(),
                              [&](const PortGroupRow& pg) { return pg.name == name; });
    if (found == sw.portGroups.end()) {
      throw QuorvicException("no port group named " + name + " on " + sw.row.name);
    }
    sw.portGroups.erase(found);
  });
}

NicTeamingPolicy StandardSwitchHandle::GetTeamingPolicy() const {
  if (Hold()) {
    std::optional<StandardSwitchDoc> now = store_.FindSwitch(SwitchKey::Name(row_.name));
    if (!now || now->row.ref != row_.ref) SwitchGone(row_);
    row_ = std::move(now->row);
    groups_ = std::move(now->portGroups);
  }
  base_ = row_.teaming;
  return PolicyFromRow(row_.teaming);
}

void StandardSwitchHandle::SetTeamingPolicy(NicTeamingPolicy policy) {
  const TeamingRow wanted = RowFromPolicy(policy);
  const TeamingRow base = base_.value_or(row_.teaming);
  Edit([&](StandardSwitchDoc& sw) {
    CheckUplinkOrder(store_, wanted.order);
    sw.row.teaming = MergeTeaming(base, wanted, sw.row.teaming, sw.row.name);
  });
  base_ = row_.teaming;
}

void StandardSwitchHandle::AddUplink(const std::string& pnic, bool persist) {
  Edit([&](StandardSwitchDoc& sw) { LinkPnic(store_, sw, pnic, persist); });
}

void StandardSwitchHandle::RemoveUplink(const std::string& pnic, bool configOnly) {
  Edit([&](StandardSwitchDoc& sw) { UnlinkPnic(sw, pnic, configOnly); });
}

int32_t StandardSwitchHandle::GetCdpStatus() const { return row_.cdp; }

void StandardSwitchHandle::SetCdpStatus(int32_t status) {
  CheckCdp(status);
  Edit([&](StandardSwitchDoc& sw) { sw.row.cdp = status; });
}

uint32_t StandardSwitchHandle::GetMtu() const { return row_.mtu; }

void StandardSwitchHandle::SetMtu(uint16_t mtu) {
  CheckMtu(mtu);
  Edit([&](StandardSwitchDoc& sw) { sw.row.mtu = mtu; });
}

void StandardSwitchHandle::RestoreUplinks() {
  Edit([&](StandardSwitchDoc& sw) { RelinkStoredUplinks(store_, sw); });
}

}  // namespace rows
