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

// The pnics this host's uplinks on the DVPorts of dvs name that a merge of
// dvswitches without pruning keeps: those of DVPorts whose IDs the same
// DVSwitch of dvswitches lacks.
std::vector<std::string> KeptPnics(const DVSwitchDoc& dvs,
                                   const std::vector<DVSwitchDoc>& dvswitches) {
  auto loaded = std::find_if(dvswitches.begin(), dvswitches.end(),
                             [&](const DVSwitchDoc& d) { return d.row.name == dvs.row.name; });
  if (loaded == dvswitches.end()) return {};
  DVSwitchDoc kept;
  for (const DVPortRow& port : dvs.dvports) {
    if (std::none_of(loaded->dvports.begin(), loaded->dvports.end(),
                     [&](const DVPortRow& p) { return p.portId == port.portId; })) {
      kept.dvports.push_back(port);
    }
  }
  return HostPnics(kept);
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
  const bool prune = shared == hostnet::SharedDVSwitches::kPrune;
  HostDocument local = doc;
  local.dvswitches.clear();
  // What this host's bridge for each DVSwitch holds now, and once doc's
  // DVSwitches are merged.
  std::map<std::string, std::vector<std::string>> before, after;
  if (chassis_.Carries()) {
    const std::vector<DVSwitchDoc> now = shared_.ReadAll();
    for (const DVSwitchDoc& dvs : now) {
      before[dvs.row.name] = HostPnics(dvs);
      if (!prune) after[dvs.row.name] = before[dvs.row.name];
    }
    for (const DVSwitchDoc& dvs : doc.dvswitches) after[dvs.row.name] = HostPnics(dvs);
    for (const DVSwitchDoc& dvs : prune ? std::vector<DVSwitchDoc>() : now) {
      for (const std::string& pnic : KeptPnics(dvs, doc.dvswitches)) {
        std::vector<std::string>& pnics = after[dvs.row.name];
        if (std::find(pnics.begin(), pnics.end(), pnic) == pnics.end()) pnics.push_back(pnic);
      }
    }
  }
  const HostDocument was = Base().ReadHost();
  Base().ReplaceHost(local);
  // The bridges follow before the database changes, and go back with the
  // local host when anything fails.
  std::vector<std::string> wired;
  try {
    for (const auto& [name, pnics] : after) {
      if (SameSet(before[name], pnics)) continue;
      wired.push_back(name);
      chassis_.Wire(NetworkName(name), pnics);
    }
    for (const auto& [name, pnics] : before) {
      if (after.count(name) != 0 || pnics.empty()) continue;
      wired.push_back(name);
      chassis_.Wire(NetworkName(name), {});
    }
    shared_.Merge(doc.dvswitches, prune);
  } catch (const QuorvicException& e) {
    std::string failures;
    for (const std::string& name : wired) {
      try {
        chassis_.Wire(NetworkName(name), before[name]);
      } catch (const QuorvicException& back) {
        failures += (failures.empty() ? "" : "; ") + back.GetMessage();
      }
    }
    try {
      Base().ReplaceHost(was);
    } catch (const QuorvicException& back) {
      failures += (failures.empty() ? "" : "; ") + back.GetMessage();
    }
    throw QuorvicException(e.GetMessage() + (failures.empty()
                                                 ? "; the host was put back as it was"
                                                 : "; and putting the host back failed: " + failures),
                           e.GetDetail(), e.GetKind());
  }
}

std::vector<std::string> SharedDVStore::Migrate() {
  std::vector<std::string> lines = Base().Migrate();
  for (std::string& line : shared_.Migrate()) lines.push_back(std::move(line));
  return lines;
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
