#include "hostsim/standard_switch.h"

#include <utility>

#include "hostsim/host_constants.h"
#include "hostsim/operation.h"
#include "hostsim/port_group_handle.h"
#include "hostsim/range_checks.h"
#include "hostsim/teaming.h"

namespace hostsim {

using Quorvic::Network::NicTeamingPolicy;
using Quorvic::Network::PortGroup;

namespace {
constexpr const char* kClass = "VirtualSwitch";
}  // namespace

StandardSwitch::StandardSwitch(SwitchRow row, std::shared_ptr<PortGroupCursor> cursor)
    : SwitchRowHandle(std::move(row), kClass), cursor_(std::move(cursor)) {}

std::vector<std::unique_ptr<PortGroup>> StandardSwitch::GetPortGroups() const {
  return RunOperation(kClass, "GetPortGroups", row_.name, "", [&](Store& store) {
    std::optional<std::vector<PortGroupRow>> rows;
    if (cursor_) rows = cursor_->Take(row_.id);
    if (!rows) rows = store.ReadPortGroups(row_.id);
    std::vector<std::unique_ptr<PortGroup>> groups;
    groups.reserve(rows->size());
    for (PortGroupRow& row : *rows) {
      groups.push_back(std::make_unique<PortGroupHandle>(std::move(row)));
    }
    return groups;
  });
}

std::unique_ptr<PortGroup> StandardSwitch::AddPortGroup(const std::string& name) {
  return RunOperation(kClass, "AddPortGroup", row_.name, name,
                      [&](Store& store) -> std::unique_ptr<PortGroup> {
                        return std::make_unique<PortGroupHandle>(store.AddPortGroup(row_, name));
                      });
}

void StandardSwitch::RemovePortGroup(const std::string& name) {
  RunOperation(kClass, "RemovePortGroup", row_.name, name,
               [&](Store& store) { store.RemovePortGroup(row_, name); });
}

NicTeamingPolicy StandardSwitch::GetTeamingPolicy() const {
  CheckOperation(kClass, "GetTeamingPolicy", row_.name);
  return PolicyFromRow(row_.teaming);
}

void StandardSwitch::SetTeamingPolicy(NicTeamingPolicy policy) {
  RunOperation(kClass, "SetTeamingPolicy", row_.name, "", [&](Store& store) {
    TeamingRow teaming = RowFromPolicy(policy);
    store.SetTeaming(row_, teaming);
    row_.teaming = std::move(teaming);
  });
}

void StandardSwitch::AddUplink(const std::string& pnic, bool persist) {
  RunOperation(kClass, "AddUplink", row_.name, pnic, [&](Store& store) {
    store.AddUplink(row_, pnic, persist);
    row_.uplinks = store.ReadList(row_.id, UplinkList::kLinked);
  });
}

void StandardSwitch::RemoveUplink(const std::string& pnic, bool configOnly) {
  RunOperation(kClass, "RemoveUplink", row_.name, pnic, [&](Store& store) {
    store.RemoveUplink(row_, pnic, configOnly);
    row_.uplinks = store.ReadList(row_.id, UplinkList::kLinked);
  });
}

int32_t StandardSwitch::GetCdpStatus() const {
  CheckOperation(kClass, "GetCdpStatus", row_.name);
  return row_.cdp;
}

void StandardSwitch::SetCdpStatus(int32_t status) {
  RunOperation(kClass, "SetCdpStatus", row_.name, "", [&](Store& store) {
    CheckCdp(status);
    store.SetCdp(row_, status);
    row_.cdp = status;
  });
}

uint32_t StandardSwitch::GetMtu() const {
  CheckOperation(kClass, "GetMtu", row_.name);
  return row_.mtu;
}

void StandardSwitch::SetMtu(uint16_t mtu) {
  RunOperation(kClass, "SetMtu", row_.name, "", [&](Store& store) {
    CheckMtu(mtu);
    store.SetMtu(row_, mtu);
    row_.mtu = mtu;
  });
}

void StandardSwitch::RestoreUplinks() {
  RunOperation(kClass, "RestoreUplinks", row_.name, "", [&](Store& store) {
    store.RestoreUplinks(row_);
    row_.uplinks = store.ReadList(row_.id, UplinkList::kLinked);
  });
}

}  // namespace hostsim
