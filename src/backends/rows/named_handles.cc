#include "backends/rows/named_handles.h"

#include <utility>

#include "backends/rows/dv_switch_edits.h"
#include "backends/rows/switch_edits.h"
#include "backends/rows/teaming.h"
#include "backends/rows/uplinks.h"
#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::NicTeamingPolicy;

namespace {

// The running standard switch that has the port group of that name, and
// the port group, or a throw naming it.
std::pair<SwitchRow, PortGroupRow> RequirePortGroup(RowStore& store, const std::string& name) {
  std::optional<StandardSwitchDoc> sw = store.FindSwitch(SwitchKey::PortGroup(name));
  if (sw) {
    for (PortGroupRow& pg : sw->portGroups) {
      if (pg.name == name) return {std::move(sw->row), std::move(pg)};
    }
  }
  throw QuorvicException(QuorvicException::Kind::kNotFound, "no port group named " + name);
}

}  // namespace

NamedPortGroupHandle::NamedPortGroupHandle(RowStore& store, std::string name)
    : store_(store), name_(std::move(name)) {
  RequirePortGroup(store_, name_);
}

NicTeamingPolicy NamedPortGroupHandle::GetTeamingPolicy() {
  if (!hold_) hold_ = store_.HoldForChange();
  base_ = RequirePortGroup(store_, name_).second.teaming;
  return PolicyFromRow(*base_);
}

void NamedPortGroupHandle::SetTeamingPolicy(NicTeamingPolicy policy) {
  auto [owner, group] = RequirePortGroup(store_, name_);
  const TeamingRow wanted = RowFromPolicy(policy);
  const TeamingRow base = base_.value_or(group.teaming);
  const PortGroupRow written = EditPortGroup(store_, owner.ref, group, [&](PortGroupRow& pg) {
    CheckUplinkOrder(store_, wanted.order);
    pg.teaming = MergeTeaming(base, wanted, pg.teaming, "port group " + name_);
  });
  base_ = written.teaming;
}

namespace {

// The DVPort portId of dvs, or null.
const DVPortRow* PortOf(const DVSwitchDoc& dvs, const std::string& portId) {
  for (const DVPortRow& port : dvs.dvports) {
    if (port.portId == portId) return &port;
  }
  return nullptr;
}

}  // namespace

std::optional<DVSwitchDoc> NamedDVPortHandle::Find() const {
  std::optional<DVSwitchDoc> dvs =
      store_.FindHostDVPorts(SwitchKey::SwitchId(param_.switchId), param_.portId);
  if (!dvs || PortOf(*dvs, param_.portId) == nullptr) return std::nullopt;
  return dvs;
}

DVSwitchDoc NamedDVPortHandle::Require() const {
  std::optional<DVSwitchDoc> dvs = Find();
  if (!dvs) {
    throw QuorvicException(
        QuorvicException::Kind::kNotFound,
        "no DVPort " + param_.portId + " on a DVSwitch with switch id " + param_.switchId);
  }
  return std::move(*dvs);
}

void NamedDVPortHandle::Edit(const std::function<void(DVPortRow&)>& edit) {
  std::optional<DVSwitchDoc> written =
      store_.EditHostDVPorts(Require().row.ref, param_.portId,
                             [&](DVSwitchDoc& dvs) { edit(DVPortOf(dvs, param_.portId)); });
  if (!written) {
    throw QuorvicException(QuorvicException::Kind::kNotFound,
                           "DVPort " + param_.portId + " no longer exists");
  }
}

bool NamedDVPortHandle::IsValid() { return Find().has_value(); }

uint32_t NamedDVPortHandle::GetConnectionId() const {
  return PortOf(Require(), param_.portId)->connectionId;
}

void NamedDVPortHandle::SetConnectionId(unsigned int connectionId) {
  Edit([&](DVPortRow& port) { port.connectionId = connectionId; });
}

void NamedDVPortHandle::TestDVPortZet() {
  Edit([](DVPortRow& port) { ++port.testEvents; });
}

bool PortGroupNames::Contains(const std::string& name) const {
  std::optional<SwitchRow> holder = store_.FindAnySwitch(SwitchKey::PortGroup(name));
  return holder && holder->running;
}

std::set<std::string> PortGroupNames::GetNames() const {
  std::set<std::string> names;
  for (bool system : {false, true}) {
    for (const StandardSwitchDoc& sw : store_.ReadSwitches(system)) {
      for (const PortGroupRow& pg : sw.portGroups) names.insert(pg.name);
    }
  }
  return names;
}

}  // namespace rows
