#include "backends/rows/standard_switch_handle.h"

#include <utility>

#include "backends/rows/port_group_handle.h"
#include "backends/rows/range_checks.h"
#include "backends/rows/teaming.h"

namespace rows {

using Quorvic::Network::NicTeamingPolicy;
using Quorvic::Network::PortGroup;

StandardSwitchHandle::StandardSwitchHandle(RowStore& store, SwitchRow row,
                                           std::unique_ptr<ChangeHold> hold)
    : SwitchRowHandle(store, std::move(row), std::move(hold)) {}

std::vector<std::unique_ptr<PortGroup>> StandardSwitchHandle::GetPortGroups() const {
  std::optional<std::vector<PortGroupRow>> rows = store_.TakeListedPortGroups(row_.id, row_.system);
  if (!rows) rows = store_.ReadPortGroups(row_.id);
  std::vector<std::unique_ptr<PortGroup>> groups;
  groups.reserve(rows->size());
  for (PortGroupRow& row : *rows) {
    groups.push_back(std::make_unique<PortGroupHandle>(store_, std::move(row)));
  }
  return groups;
}

std::unique_ptr<PortGroup> StandardSwitchHandle::AddPortGroup(const std::string& name) {
  CheckPrintableName("port group", name);
  return std::make_unique<PortGroupHandle>(store_, store_.AddPortGroup(row_, name));
}

void StandardSwitchHandle::RemovePortGroup(const std::string& name) {
  store_.RemovePortGroup(row_, name);
}

NicTeamingPolicy StandardSwitchHandle::GetTeamingPolicy() const {
  return PolicyFromRow(row_.teaming);
}

void StandardSwitchHandle::SetTeamingPolicy(NicTeamingPolicy policy) {
  TeamingRow teaming = RowFromPolicy(policy);
  store_.SetTeaming(row_, teaming);
  row_.teaming = std::move(teaming);
}

void StandardSwitchHandle::AddUplink(const std::string& pnic, bool persist) {
  store_.AddUplink(row_, pnic, persist);
  row_.uplinks = store_.ReadUplinks(row_);
}

void StandardSwitchHandle::RemoveUplink(const std::string& pnic, bool configOnly) {
  store_.RemoveUplink(row_, pnic, configOnly);
  row_.uplinks = store_.ReadUplinks(row_);
}

int32_t StandardSwitchHandle::GetCdpStatus() const { return row_.cdp; }

void StandardSwitchHandle::SetCdpStatus(int32_t status) {
  CheckCdp(status);
  store_.SetCdp(row_, status);
  row_.cdp = status;
}

uint32_t StandardSwitchHandle::GetMtu() const { return row_.mtu; }

void StandardSwitchHandle::SetMtu(uint16_t mtu) {
  CheckMtu(mtu);
  store_.SetMtu(row_, mtu);
  row_.mtu = mtu;
}

void StandardSwitchHandle::RestoreUplinks() {
  store_.RestoreUplinks(row_);
  row_.uplinks = store_.ReadUplinks(row_);
}

}  // namespace rows
