#include "backends/rows/named_handles.h"

#include <utility>

#include "backends/rows/teaming.h"
#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::NicTeamingPolicy;

namespace {

// The port group of that name on a running switch, or a throw naming it.
PortGroupRow RequirePortGroup(RowStore& store, const std::string& name) {
  auto found = store.FindPortGroup(name);
  if (!found) throw QuorvicException("no port group named " + name);
  return std::move(found->first);
}

}  // namespace

NamedPortGroupHandle::NamedPortGroupHandle(RowStore& store, std::string name,
                                           std::unique_ptr<ChangeHold> hold)
    : store_(store), name_(std::move(name)), hold_(std::move(hold)) {
  RequirePortGroup(store_, name_);
}

NicTeamingPolicy NamedPortGroupHandle::GetTeamingPolicy() {
  return PolicyFromRow(RequirePortGroup(store_, name_).teaming);
}

void NamedPortGroupHandle::SetTeamingPolicy(NicTeamingPolicy policy) {
  store_.SetPortGroupTeaming(RequirePortGroup(store_, name_), RowFromPolicy(policy));
}

DVPortRow NamedDVPortHandle::Require() const {
  auto port = store_.FindDVPort(param_.switchId, param_.portId);
  if (!port) {
    throw QuorvicException("no DVPort " + param_.portId + " on a DVSwitch with switch id " +
                           param_.switchId);
  }
  return std::move(*port);
}

bool NamedDVPortHandle::IsValid() {
  return store_.FindDVPort(param_.switchId, param_.portId).has_value();
}

uint32_t NamedDVPortHandle::GetConnectionId() const { return Require().connectionId; }

void NamedDVPortHandle::SetConnectionId(unsigned int connectionId) {
  store_.SetConnectionId(Require(), connectionId);
}

void NamedDVPortHandle::TestDVPortZet() { store_.RaiseTestEvent(Require()); }

bool PortGroupNames::Contains(const std::string& name) const {
  return store_.FindPortGroup(name).has_value();
}

std::set<std::string> PortGroupNames::GetNames() const { return store_.PortGroupNames(); }

}  // namespace rows
