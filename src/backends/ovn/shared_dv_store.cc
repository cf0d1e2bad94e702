#include "backends/ovn/shared_dv_store.h"

#include "hostnet/quorvic_exception.h"

namespace ovn {

using Quorvic::Lib::QuorvicException;

std::optional<SwitchRow> SharedDVStore::FindAnySwitch(const std::string& name) {
  std::optional<SwitchRow> local = Base().FindAnySwitch(name);
  if (local && local->kind != SwitchKind::kDistributed) return local;
  return shared_.FindAnyDVSwitch(name);
}


bool SharedDVStore::RemoveSwitch(const RowRef& ref) {
  return ref.kind == RowKind::kDVSwitch ? shared_.RemoveDVSwitch(ref) : Base().RemoveSwitch(ref);
}

void SharedDVStore::StartSwitches(SwitchKind kind, const std::function<void(SwitchRow&)>& start) {
  if (kind == SwitchKind::kDistributed) {
    shared_.StartDVSwitches(start);
  } else {
    Base().StartSwitches(kind, start);
  }
}

HostDocument SharedDVStore::ReadHost() {
  HostDocument doc = Base().ReadHost();
  doc.dvswitches = shared_.ReadAll();
  return doc;
}

void SharedDVStore::ReplaceHost(const HostDocument& doc) {
  HostDocument local = doc;
  local.dvswitches.clear();
  Base().ReplaceHost(local);
  shared_.ReplaceAll(doc.dvswitches);
}

void SharedDVStore::Reboot() {
  throw QuorvicException(
      "DVSwitches in the OVN northbound database keep running for every host that shares it, "
      "so there is no restart of this host to simulate");
}

}  // namespace ovn
