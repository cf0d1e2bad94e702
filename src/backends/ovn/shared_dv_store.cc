#include "backends/ovn/shared_dv_store.h"

#include <algorithm>
#include <map>
#include <set>

#include "hostnet/quorvic_exception.h"

namespace ovn {

using Quorvic::Lib::QuorvicException;

namespace {

// The pnics this host's uplinks on the DVPorts of dvs name, each once: what
// its bridge for the DVSwitch holds.
std::vector<std::string> HostPnics(const DVSwitchDoc& dvs) {
  std::vector<std::string> pnics;
  for (const DVPortRow& port : dvs.dvports) {
    for (const std::string& pnic : port.uplinks) {
      if (std::find(pnics.begin(), pnics.end(), pnic) == pnics.end()) pnics.push_back(pnic);
    }
  }
  return pnics;
}

bool SameSet(std::vector<std::string> a, std::vector<std::string> b) {
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return a == b;
}

}  // namespace

std::optional<DVSwitchDoc> SharedDVStore::FindDVSwitch(const SwitchKey& key) {
  if (key.by == SwitchKey::By::kName) {
    // A change of the DVSwitch's uplinks wires this host: what that reads
    // goes with the lookup.
    if (chassis_.Carries()) chassis_.ExpectWiring(NetworkName(key.value));
    std::optional<SwitchRow> local = Base().FindAnySwitch(key);
    if (local && local->kind != SwitchKind::kDistributed) return std::nullopt;
  }
  return shared_.FindDVSwitch(key);
}

std::optional<SwitchRow> SharedDVStore::FindAnySwitch(const rows::SwitchKey& key) {
  std::optional<SwitchRow> local = Base().FindAnySwitch(key);
  if (key.by != rows::SwitchKey::By::kName) return local;
  if (local && local->kind != SwitchKind::kDistributed) return local;
  return shared_.FindAnyDVSwitch(key.value);
}

std::vector<SwitchRow> SharedDVStore::ReadOpaqueSwitches() {
  std::vector<SwitchRow> opaque = Base().ReadOpaqueSwitches();
  if (!chassis_.Carries()) return opaque;
  const std::vector<std::string> bridges = chassis_.WiringBridges();
  opaque.erase(std::remove_if(opaque.begin(), opaque.end(),
                              [&](const SwitchRow& row) {
                                return std::find(bridges.begin(), bridges.end(), row.name) !=
                                       bridges.end();
                              }),
               opaque.end());
  return opaque;
}

void SharedDVStore::WireAround(const std::string& network, const std::vector<std::string>& pnics,
                               const std::vector<std::string>& was,
                               const std::function<void()>& change) {
  if (SameSet(pnics, was)) {
    change();
    return;
  }
  chassis_.Wire(network, pnics);
  try {
    change();
  } catch (const QuorvicException& e) {
    try {
      chassis_.Wire(network, was);
    } catch (const QuorvicException& back) {
      throw QuorvicException(e.GetMessage() + "; and this host's bridge for it could not be put "
                                              "back as it was: " +
                             back.GetMessage());
    }
    throw;
  }
}

bool SharedDVStore::RemoveSwitch(const RowRef& ref) {
  if (ref.kind != RowKind::kDVSwitch) return Base().RemoveSwitch(ref);
  if (!chassis_.Carries()) return shared_.RemoveDVSwitch(ref);
  std::optional<DVSwitchDoc> dvs = shared_.ReadDVSwitch(ref);
  if (!dvs) return false;
  bool removed = false;
  WireAround(NetworkName(dvs->row.name), {}, HostPnics(*dvs),
             [&] { removed = shared_.RemoveDVSwitch(ref); });
  return removed;
}

std::optional<DVSwitchDoc> SharedDVStore::EditDVSwitch(
    const RowRef& ref, const std::function<void(DVSwitchDoc&)>& edit) {
  if (!chassis_.Carries()) return shared_.EditDVSwitch(ref, edit);
  std::optional<DVSwitchDoc> before = shared_.ReadDVSwitch(ref);
  if (!before) return std::nullopt;
  // What the edit makes of this host's uplinks decides the wiring, which
  // comes first: a DVSwitch that leads out must find this host's bridge.
  DVSwitchDoc preview = *before;
  edit(preview);
  const std::string network = NetworkName(before->row.name);
  const std::vector<std::string> was = HostPnics(*before);
  std::optional<DVSwitchDoc> written;
  WireAround(network, HostPnics(preview), was,
             [&] { written = shared_.EditDVSwitch(ref, edit); });
  if (!written) {
    chassis_.Wire(network, was);
  } else if (!SameSet(HostPnics(*written), HostPnics(preview))) {
    chassis_.Wire(network, HostPnics(*written));
  }
  return written;
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
  doc.opaqueSwitches = ReadOpaqueSwitches();
  doc.dvswitches = shared_.ReadAll();
  return doc;
}

void SharedDVStore::ReplaceHostSharing(const HostDocument& doc,
                                       hostnet::SharedDVSwitches shared) {
  HostDocument local = doc;
  local.dvswitches.clear();
  Base().ReplaceHost(local);
  std::map<std::string, std::vector<std::string>> before, after;
  if (chassis_.Carries()) {
    for (const DVSwitchDoc& dvs : shared_.ReadAll()) before[dvs.row.name] = HostPnics(dvs);
  }
  shared_.Merge(doc.dvswitches, shared == hostnet::SharedDVSwitches::kPrune);
  if (!chassis_.Carries()) return;
  for (const DVSwitchDoc& dvs : shared_.ReadAll()) after[dvs.row.name] = HostPnics(dvs);
  std::set<std::string> names;
  for (const auto& [name, pnics] : before) names.insert(name);
  for (const auto& [name, pnics] : after) names.insert(name);
  std::string failures;
  for (const std::string& name : names) {
    if (SameSet(before[name], after[name])) continue;
    try {
      chassis_.Wire(NetworkName(name), after[name]);
    } catch (const QuorvicException& e) {
      failures += (failures.empty() ? "" : "; ") + name + ": " + e.GetMessage();
    }
  }
  if (!failures.empty()) {
    throw QuorvicException("the DVSwitches were loaded, but this host's bridges for their "
                           "uplinks could not all follow: " +
                           failures);
  }
}

void SharedDVStore::Reboot() {
  throw QuorvicException(
      "DVSwitches in the OVN northbound database keep running for every host that shares it, "
      "so there is no restart of this host to simulate");
}

std::vector<std::string> SharedDVStore::Health() {
  std::vector<std::string> lines = Base().Health();
  const std::vector<OvnStore::Wiring> dvswitches = shared_.ReadWiring();
  for (const rows::UnreadableRow& row : shared_.Unreadable()) {
    lines.push_back((row.dvport.empty() ? "DVSwitch " + row.dvswitch
                                        : "DVPort " + row.dvport + " of DVSwitch " + row.dvswitch) +
                    " is left out of listings and documents, because another program wrote "
                    "what cannot be read: " +
                    row.problem + ": `ovn-nbctl` can set the key right");
  }
  std::set<std::string> local;
  for (bool system : {false, true}) {
    for (const rows::StandardSwitchDoc& sw : Base().ReadSwitches(system)) local.insert(sw.row.name);
  }
  for (const SwitchRow& row : ReadOpaqueSwitches()) local.insert(row.name);
  for (const std::string& name : shared_.ReadForeignSwitchNames()) {
    if (local.count(name) == 0) continue;
    lines.push_back("switch " + name +
                    " of this host has the name of a logical switch that another program made "
                    "in the OVN northbound database: no host can add a DVSwitch of that name "
                    "while both exist");
  }
  for (const auto& [dvs, elsewhereOnly] : dvswitches) {
    if (dvs.row.running && elsewhereOnly && chassis_.Carries()) {
      const std::string& name = dvs.row.name;
      lines.push_back("DVSwitch " + name +
                      " reaches its physical network through uplinks of other hosts only, so "
                      "this host carries none of its traffic, between VMs included: "
                      "`ploncfg-vswitch -P PNIC -V PORT " +
                      name + "` links a pnic of this host to one of its DVPorts");
    }
  }
  if (std::optional<rows::Tunnel> tunnel = chassis_.ReadTunnel()) {
    for (const auto& [dvs, elsewhereOnly] : dvswitches) {
      if (!dvs.row.running || dvs.row.mtu <= tunnel->VmMtu()) continue;
      lines.push_back("DVSwitch " + dvs.row.name + " has MTU " + std::to_string(dvs.row.mtu) +
                      ", but the tunnel from this host carries frames of " +
                      std::to_string(tunnel->VmMtu()) + " bytes at most (" +
                      tunnel->underlay + " has MTU " + std::to_string(tunnel->underlayMtu) +
                      ", less " + std::to_string(tunnel->overhead) +
                      "): `ploncfg-vswitch -m " + std::to_string(tunnel->VmMtu()) + " " +
                      dvs.row.name + "` fits it");
    }
  }
  return lines;
}

}  // namespace ovn
