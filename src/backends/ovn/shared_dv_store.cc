#include "backends/ovn/shared_dv_store.h"

#include <algorithm>

#include "hostnet/quorvic_exception.h"

namespace ovn {

using Quorvic::Lib::QuorvicException;

std::optional<SwitchRow> SharedDVStore::FindSwitch(const std::string& name, SwitchKind kind) {
  if (kind == SwitchKind::kDistributed) return shared_.FindSwitch(name);
  return local_.FindSwitch(name, kind);
}

void SharedDVStore::ReadSwitches(SwitchKind kind, bool system,
                                 const std::function<void(SwitchRow&&)>& each) {
  if (kind == SwitchKind::kDistributed) {
    shared_.ReadSwitches(each);
  } else {
    local_.ReadSwitches(kind, system, each);
  }
}

std::vector<PortGroupRow> SharedDVStore::ReadPortGroups(int64_t switchId) {
  if (switchId < 0) return {};
  return local_.ReadPortGroups(switchId);
}

std::vector<std::string> SharedDVStore::ReadUplinks(const SwitchRow& sw) {
  return Shared(sw) ? shared_.ReadUplinks(sw) : local_.ReadUplinks(sw);
}

std::vector<DVPortRow> SharedDVStore::ReadDVPorts(int64_t switchId) {
  return switchId < 0 ? shared_.ReadDVPorts(switchId) : std::vector<DVPortRow>();
}

SwitchRow SharedDVStore::AddSwitch(SwitchRow row) {
  if (Shared(row)) {
    if (local_.FindSwitch(row.name, SwitchKind::kStandard) ||
        local_.FindSwitch(row.name, SwitchKind::kOpaque)) {
      throw QuorvicException("a switch named " + row.name + " already exists");
    }
    return shared_.AddSwitch(std::move(row));
  }
  if (shared_.FindSwitch(row.name)) {
    throw QuorvicException("a switch named " + row.name + " already exists");
  }
  return local_.AddSwitch(std::move(row));
}

void SharedDVStore::RemoveSwitch(const std::string& name) {
  if (shared_.FindSwitch(name)) {
    shared_.RemoveSwitch(name);
  } else {
    local_.RemoveSwitch(name);
  }
}

void SharedDVStore::SetMtu(const SwitchRow& sw, uint32_t mtu) {
  if (Shared(sw)) {
    shared_.SetMtu(sw, mtu);
  } else {
    local_.SetMtu(sw, mtu);
  }
}

void SharedDVStore::AddDVPortUplink(const SwitchRow& sw, const std::string& pnic,
                                    const std::string& portId) {
  std::vector<std::string> pnics = local_.ReadHost().pnics;
  if (std::find(pnics.begin(), pnics.end(), pnic) == pnics.end()) {
    throw QuorvicException("pnic " + pnic + " does not exist");
  }
  shared_.AddDVPortUplink(sw, pnic, portId);
}

void SharedDVStore::ActivateEns(const SwitchRow& sw, bool interrupt, bool fastSwitch) {
  if (Shared(sw)) {
    shared_.ActivateEns(sw, interrupt, fastSwitch);
  } else {
    local_.ActivateEns(sw, interrupt, fastSwitch);
  }
}

void SharedDVStore::DeactivateEns(const SwitchRow& sw) {
  if (Shared(sw)) {
    shared_.DeactivateEns(sw);
  } else {
    local_.DeactivateEns(sw);
  }
}

void SharedDVStore::ReassociateUplinks(const SwitchRow& sw, bool force) {
  if (Shared(sw)) {
    shared_.ReassociateUplinks(sw, force);
  } else {
    local_.ReassociateUplinks(sw, force);
  }
}

bool SharedDVStore::IsEnsActive(const SwitchRow& sw) {
  return Shared(sw) ? shared_.IsEnsActive(sw) : local_.IsEnsActive(sw);
}

HostDocument SharedDVStore::ReadHost() {
  HostDocument doc = local_.ReadHost();
  doc.dvswitches = shared_.ReadAll();
  return doc;
}

void SharedDVStore::ReplaceHost(const HostDocument& doc) {
  HostDocument local = doc;
  local.dvswitches.clear();
  local_.ReplaceHost(local);
  shared_.ReplaceAll(doc.dvswitches);
}

void SharedDVStore::Reboot() {
  throw QuorvicException(
      "DVSwitches in the OVN northbound database keep running for every host that shares it, "
      "so there is no restart of this host to simulate");
}

}  // namespace ovn
