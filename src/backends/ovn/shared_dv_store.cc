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

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

}  // namespace

bool SharedDVStore::IsDVSwitchName(const std::string& name) {
  // A change of the DVSwitch's uplinks wires this host: what that reads
  // goes with the lookup.
  if (chassis_.Carries()) chassis_.ExpectWiring(NetworkName(name));
  std::optional<SwitchRow> local = Base().FindAnySwitch(SwitchKey::Name(name));
  return !local || local->kind == SwitchKind::kDistributed;
}

std::optional<DVSwitchDoc> SharedDVStore::FindDVSwitch(const SwitchKey& key) {
  if (key.by == SwitchKey::By::kName && !IsDVSwitchName(key.value)) return std::nullopt;
  return shared_.FindDVSwitch(key);
}

std::optional<SwitchRow> SharedDVStore::FindAnySwitch(const rows::SwitchKey& key) {
  std::optional<SwitchRow> local = Base().FindAnySwitch(key);
  if (key.by != rows::SwitchKey::By::kName) return local;
  if (local && local->kind != SwitchKind::kDistributed) return local;
  return shared_.FindAnyDVSwitch(key.value);
}

std::vector<DVSwitchDoc> SharedDVStore::ReadDVSwitches() {
  std::vector<DVSwitchDoc> running = shared_.ReadDVSwitches();
  shared_.NameBindings(running);
  return running;
}

void SharedDVStore::WireAround(const std::string& network, const std::string& dvswitch,
                               const std::vector<std::string>& pnics,
                               const std::vector<std::string>& was,
                               const std::function<void()>& change) {
  if (SameSet(pnics, was)) {
    change();
    return;
  }
  chassis_.Wire(network, dvswitch, pnics);
  try {
    change();
  } catch (const QuorvicException& e) {
    try {
      chassis_.Wire(network, dvswitch, was);
    } catch (const QuorvicException& back) {
      throw QuorvicException(e.GetMessage() +
                             "; and this host's bridge for it could not be put "
                             "back as it was: " +
                             back.GetMessage());
    }
    throw;
  }
}

void SharedDVStore::Sweep(const std::string& except) {
  // What others left is taken out as a courtesy of a change that is done
  // already: what cannot be read or taken out now stays for status to name.
  try {
    std::vector<rows::WiringRead> left;
    std::vector<std::string> names;
    for (const rows::WiringRead& wiring : chassis_.ReadWiring()) {
      // A bridge that does not say whose it is is left to Rewire.
      if (wiring.network == NetworkName(except) || wiring.bridge.empty() ||
          wiring.dvswitch.empty()) {
        continue;
      }
      left.push_back(wiring);
      names.push_back(wiring.dvswitch);
    }
    if (left.empty()) return;
    const std::map<std::string, std::optional<DVSwitchDoc>> found =
        shared_.ReadNamedSwitches(names);
    for (const rows::WiringRead& wiring : left) {
      auto dvs = found.find(wiring.dvswitch);
      if (dvs == found.end()) continue;
      if (dvs->second && NetworkName(dvs->second->row.name) == wiring.network &&
          !HostPnics(*dvs->second).empty()) {
        continue;
      }
      chassis_.Wire(wiring.network, wiring.dvswitch, {});
      if (dvs->second) shared_.MarkWired(wiring.dvswitch);
    }
  } catch (const QuorvicException&) {
  }
}

bool SharedDVStore::RemoveSwitch(const RowRef& ref) {
  if (ref.kind != RowKind::kDVSwitch) return Base().RemoveSwitch(ref);
  if (!chassis_.Carries()) return shared_.RemoveDVSwitch(ref);
  std::optional<DVSwitchDoc> dvs = shared_.ReadDVSwitch(ref);
  if (!dvs) return false;
  bool removed = false;
  WireAround(NetworkName(dvs->row.name), dvs->row.name, {}, HostPnics(*dvs),
             [&] { removed = shared_.RemoveDVSwitch(ref); });
  return removed;
}

std::optional<DVSwitchDoc> SharedDVStore::EditDVSwitch(
    const RowRef& ref, const std::function<void(DVSwitchDoc&)>& edit) {
  if (!chassis_.Carries()) return shared_.EditDVSwitch(ref, edit);
  return EditWired(shared_.ReadDVSwitch(ref), edit,
                   [&] { return shared_.EditDVSwitch(ref, edit); });
}

std::optional<DVSwitchDoc> SharedDVStore::FindHostDVPorts(const SwitchKey& key,
                                                          const std::string& portId) {
  if (key.by == SwitchKey::By::kName && !IsDVSwitchName(key.value)) return std::nullopt;
  return shared_.FindHostDVPorts(key, portId);
}

std::optional<DVSwitchDoc> SharedDVStore::EditHostDVPorts(
    const RowRef& ref, const std::string& portId, const std::function<void(DVSwitchDoc&)>& edit) {
  if (!chassis_.Carries()) return shared_.EditHostDVPorts(ref, portId, edit);
  return EditWired(shared_.ReadHostDVPorts(ref, portId), edit,
                   [&] { return shared_.EditHostDVPorts(ref, portId, edit); });
}

std::optional<DVSwitchDoc> SharedDVStore::EditWired(
    const std::optional<DVSwitchDoc>& before, const std::function<void(DVSwitchDoc&)>& edit,
    const std::function<std::optional<DVSwitchDoc>()>& change) {
  if (!before) return std::nullopt;
  // What the edit makes of this host's uplinks decides the wiring, which
  // comes first: a DVSwitch that leads out must find this host's bridge.
  DVSwitchDoc preview = *before;
  edit(preview);
  const std::string& name = before->row.name;
  const std::string network = NetworkName(name);
  const std::vector<std::string> was = HostPnics(*before);
  const bool uplinksChange = !SameSet(HostPnics(preview), was);
  // Asked before the change, while the run's read of the host holds.
  const bool sweep = uplinksChange && chassis_.MayBeWiredBeyond(network);
  std::optional<DVSwitchDoc> written;
  WireAround(network, name, HostPnics(preview), was, [&] { written = change(); });
  if (!written) {
    chassis_.Wire(network, name, was);
  } else if (!SameSet(HostPnics(*written), HostPnics(preview))) {
    chassis_.Wire(network, name, HostPnics(*written));
  }
  // A change of this host's uplinks also takes out what DVSwitches others
  // removed left here.
  if (written && sweep) Sweep(name);
  return written;
}

void SharedDVStore::RefuseWired(const std::string& pnic) {
  const std::optional<std::string> holder = chassis_.DVSwitchHolding(pnic);
  if (!holder) return;
  std::optional<DVSwitchDoc> dvs;
  if (!holder->empty()) dvs = shared_.FindDVSwitch(SwitchKey::Name(*holder));
  std::vector<std::string> ports;
  if (dvs) {
    for (const DVPortRow& port : dvs->dvports) {
      if (std::find(port.uplinks.begin(), port.uplinks.end(), pnic) != port.uplinks.end()) {
        ports.push_back(port.portId);
      }
    }
  }
  if (ports.empty()) {
    throw QuorvicException("pnic " + pnic + " is still held by this host's bridge for DVSwitch " +
                           (holder->empty() ? std::string("uplinks") : *holder) +
                           ", which no longer has it as an uplink here: `ploncfg-host rewire` "
                           "frees it");
  }
  std::string frees;
  for (const std::string& port : ports) {
    frees += (frees.empty() ? "" : ", then ") + std::string("`ploncfg-vswitch -Q ") + pnic +
             " -V " + port + " " + *holder + "`";
  }
  throw QuorvicException("pnic " + pnic + " is an uplink of DVSwitch " + *holder +
                         " on this host (DVPort " + Joined(ports) + "): " + frees +
                         " takes it out");
}

std::optional<rows::StandardSwitchDoc> SharedDVStore::EditSwitch(
    const RowRef& ref, const std::function<void(rows::StandardSwitchDoc&)>& edit) {
  std::vector<std::string> linking;
  try {
    return Base().EditSwitch(ref, [&](rows::StandardSwitchDoc& sw) {
      const std::vector<std::string> was = sw.row.uplinks;
      edit(sw);
      linking.clear();
      for (const std::string& pnic : sw.row.uplinks) {
        if (std::find(was.begin(), was.end(), pnic) == was.end()) linking.push_back(pnic);
      }
    });
  } catch (const QuorvicException&) {
    if (chassis_.Carries()) {
      for (const std::string& pnic : linking) RefuseWired(pnic);
    }
    throw;
  }
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
  shared_.NameBindings(doc.dvswitches);
  // Uplinks are this host's pnics: a name another writer left under this
  // host's key that is none is not this host's, and would keep the
  // document from loading back.
  auto ownOnly = [&](std::vector<std::string>& uplinks) {
    uplinks.erase(std::remove_if(uplinks.begin(), uplinks.end(),
                                 [&](const std::string& pnic) {
                                   return std::find(doc.pnics.begin(), doc.pnics.end(), pnic) ==
                                          doc.pnics.end();
                                 }),
                  uplinks.end());
  };
  for (DVSwitchDoc& dvs : doc.dvswitches) {
    ownOnly(dvs.row.uplinks);
    for (DVPortRow& port : dvs.dvports) ownOnly(port.uplinks);
  }
  return doc;
}

HostDocument SharedDVStore::ReadReachableHost() {
  try {
    return ReadHost();
  } catch (const QuorvicException& e) {
    if (!e.NoAnswer()) throw;
    return Base().ReadHost();
  }
}

void SharedDVStore::ReplaceHostSharing(const HostDocument& doc, hostnet::SharedDVSwitches shared) {
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
      chassis_.Wire(NetworkName(name), name, pnics);
    }
    for (const auto& [name, pnics] : before) {
      if (after.count(name) != 0 || pnics.empty()) continue;
      wired.push_back(name);
      chassis_.Wire(NetworkName(name), name, {});
    }
    shared_.Merge(doc.dvswitches, prune);
  } catch (const QuorvicException& e) {
    std::string failures;
    for (const std::string& name : wired) {
      try {
        chassis_.Wire(NetworkName(name), name, before[name]);
      } catch (const QuorvicException& back) {
        failures += (failures.empty() ? "" : "; ") + back.GetMessage();
      }
    }
    try {
      Base().ReplaceHost(was);
    } catch (const QuorvicException& back) {
      failures += (failures.empty() ? "" : "; ") + back.GetMessage();
    }
    throw QuorvicException(
        e.GetMessage() + (failures.empty() ? "; the host was put back as it was"
                                           : "; and putting the host back failed: " + failures),
        e.GetDetail(), e.GetKind());
  }
  // What DVSwitches others removed left here goes too.
  Sweep("");
}

void SharedDVStore::Rewire() {
  if (!chassis_.Carries()) return;
  std::map<std::string, std::pair<std::string, std::vector<std::string>>> wanted;
  std::vector<std::string> marks;
  for (const OvnStore::Wiring& wiring : shared_.ReadWiring()) {
    const std::vector<std::string> pnics = HostPnics(wiring.dvs);
    if (!pnics.empty()) wanted[NetworkName(wiring.dvs.row.name)] = {wiring.dvs.row.name, pnics};
    if (wiring.wiredHere == pnics.empty()) marks.push_back(wiring.dvs.row.name);
  }
  std::string failures;
  auto wire = [&](const std::string& network, const std::string& dvswitch,
                  const std::vector<std::string>& pnics) {
    try {
      chassis_.Wire(network, dvswitch, pnics);
    } catch (const QuorvicException& e) {
      failures += (failures.empty() ? "" : "; ") + network + ": " + e.GetMessage();
    }
  };
  for (const rows::WiringRead& wiring : chassis_.ReadWiring()) {
    if (wanted.count(wiring.network) == 0) wire(wiring.network, wiring.dvswitch, {});
  }
  for (const auto& [network, dvs] : wanted) wire(network, dvs.first, dvs.second);
  for (const std::string& name : marks) shared_.MarkWired(name);
  if (!failures.empty()) {
    throw QuorvicException("this host's bridges for DVSwitch uplinks could not all be wired: " +
                           failures);
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
  std::vector<OvnStore::Wiring> dvswitches;
  try {
    dvswitches = shared_.ReadWiring();
  } catch (const QuorvicException& e) {
    if (!e.NoAnswer()) throw;
    lines.push_back(
        "the DVSwitches of this host cannot be read, so nothing is said of them "
        "here: " +
        e.GetMessage());
    return lines;
  }
  for (const std::string& member : shared_.SilentMembers()) {
    lines.push_back("a member of the OVN northbound database does not answer as one: " + member +
                    "; the cluster goes on while a majority answers");
  }
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
  if (!chassis_.Carries()) return lines;
  std::map<std::string, std::string> needed;  // network -> DVSwitch
  for (const OvnStore::Wiring& wiring : dvswitches) {
    const DVSwitchDoc& dvs = wiring.dvs;
    const std::string& name = dvs.row.name;
    const std::vector<std::string> pnics = HostPnics(dvs);
    if (!pnics.empty()) needed[NetworkName(name)] = name;
    if (dvs.row.running && wiring.elsewhereOnly) {
      lines.push_back("DVSwitch " + name +
                      " reaches its physical network through uplinks of other hosts only, so "
                      "this host carries none of its traffic, between VMs included: "
                      "`ploncfg-vswitch -P PNIC -V PORT " +
                      name + "` links a pnic of this host to one of its DVPorts");
    }
    if (wiring.wiredHere && pnics.empty()) {
      lines.push_back("the localnet port of DVSwitch " + name +
                      " says this host leads to its physical network, but no DVPort has an "
                      "uplink of this host: `ploncfg-host rewire` takes that back");
    }
  }
  std::set<std::string> wired;
  for (const rows::WiringRead& wiring : chassis_.ReadWiring()) {
    if (!wiring.bridge.empty()) wired.insert(wiring.network);
    if (needed.count(wiring.network) != 0) continue;
    const std::string what =
        wiring.bridge.empty()
            ? "the bridge mappings of this host still map network " + wiring.network
            : "bridge " + wiring.bridge + " of this host still holds the uplinks of DVSwitch " +
                  (wiring.dvswitch.empty() ? wiring.network : wiring.dvswitch);
    lines.push_back(what +
                    ", which no DVPort has an uplink of this host on any longer (another host "
                    "removed it, or its DVPort): `ploncfg-host rewire` takes it out");
  }
  for (const auto& [network, name] : needed) {
    if (wired.count(network) != 0) continue;
    lines.push_back("DVSwitch " + name +
                    " has uplinks of this host, but this host has no bridge for them: "
                    "`ploncfg-host rewire` makes it");
  }
  // Traffic between hosts takes the tunnel only while no host leads a
  // DVSwitch out to its physical network; then it takes the uplinks.
  if (std::optional<rows::Tunnel> tunnel = chassis_.ReadTunnel()) {
    for (const OvnStore::Wiring& wiring : dvswitches) {
      const DVSwitchDoc& dvs = wiring.dvs;
      if (!dvs.row.running || wiring.localnet || dvs.row.mtu <= tunnel->VmMtu()) continue;
      lines.push_back("DVSwitch " + dvs.row.name + " has MTU " + std::to_string(dvs.row.mtu) +
                      ", but the tunnel from this host carries frames of " +
                      std::to_string(tunnel->VmMtu()) + " bytes at most (" + tunnel->underlay +
                      " has MTU " + std::to_string(tunnel->underlayMtu) + ", less " +
                      std::to_string(tunnel->overhead) + "): `ploncfg-vswitch -m " +
                      std::to_string(tunnel->VmMtu()) + " " + dvs.row.name + "` fits it");
    }
  }
  return lines;
}

}  // namespace ovn
