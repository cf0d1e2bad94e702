#include "backends/rows/lags.h"

#include <algorithm>
#include <map>
#include <utility>

#include "backends/rows/range_checks.h"
#include "backends/rows/switch_edits.h"
#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::LagTimeoutConfig;
using Quorvic::Network::UplinkTimeoutConfig;

namespace {

bool Matches(const std::string& want, const std::string& have) {
  return want.empty() || want == have;
}
bool Matches(uint32_t want, uint32_t have) { return want == 0 || want == have; }

std::string LagName(const std::string& portset, uint32_t lagId) {
  return "LAG " + std::to_string(lagId) + " of " + portset;
}

std::string TimeoutText(uint32_t timeout) {
  return std::to_string(timeout) + (timeout == 1 ? " (fast)" : timeout == 0 ? " (slow)" : "");
}

std::string LoadCommand(const std::string& portset, uint32_t lagId) {
  return "`ploncfg-vswitch -G -s " + portset + " -j " + std::to_string(lagId) + "`";
}

std::string RemoveCommand(const std::string& portset, const std::string& lagId) {
  return "`ploncfg-host lag remove " + portset + " " + lagId + "`";
}

bool Linked(const StandardSwitchDoc& sw, const std::string& pnic) {
  return std::find(sw.row.uplinks.begin(), sw.row.uplinks.end(), pnic) != sw.row.uplinks.end();
}

// The running standard switches of a store, each read once, by name.
class SwitchLookup {
 public:
  explicit SwitchLookup(RowStore& store) : store_(store) {}

  // The running standard switch named name; null when there is none.
  const StandardSwitchDoc* Find(const std::string& name) {
    auto found = read_.find(name);
    if (found == read_.end()) {
      found = read_.emplace(name, store_.FindSwitch(SwitchKey::Name(name))).first;
    }
    return found->second ? &*found->second : nullptr;
  }

 private:
  RowStore& store_;
  std::map<std::string, std::optional<StandardSwitchDoc>> read_;
};

// The running standard switches a selection of portset reaches.
std::vector<StandardSwitchDoc> ReachedSwitches(RowStore& store, const std::string& portset) {
  if (!portset.empty()) {
    std::optional<StandardSwitchDoc> sw = store.FindSwitch(SwitchKey::Name(portset));
    if (!sw) return {};
    return {std::move(*sw)};
  }
  std::vector<StandardSwitchDoc> switches = store.ReadSwitches(false);
  for (StandardSwitchDoc& sw : store.ReadSwitches(true)) switches.push_back(std::move(sw));
  return switches;
}

[[noreturn]] void NoUplinks(const std::string& portset, uint32_t lagId) {
  throw QuorvicException(LagName(portset, lagId) + " cannot run: standard switch " + portset +
                         " has no uplinks to bond; `ploncfg-vswitch -L PNIC " + portset +
                         "` links one");
}

void Apply(RowStore& store, const std::vector<LagChange>& changes) {
  for (const LagChange& change : changes) {
    EditStandardSwitch(store, change.sw, [&](StandardSwitchDoc& sw) {
      // Another run may have unlinked them since the check.
      if (change.lacp && sw.row.uplinks.empty()) NoUplinks(sw.row.name, change.lacp->lagId);
      sw.lacp = change.lacp;
    });
  }
}

}  // namespace

bool Selects(const std::string& portset, uint32_t lagId, const LagTimeoutRow& lag) {
  return Matches(portset, lag.portset) && Matches(lagId, lag.lagId);
}

bool Selects(const std::string& portset, uint32_t lagId, const std::string& uplink,
             const UplinkTimeoutRow& member) {
  return Matches(portset, member.portset) && Matches(lagId, member.lagId) &&
         Matches(uplink, member.uplink);
}

void CheckLacpTimeout(const std::string& what, uint32_t timeout) {
  if (timeout > 1) {
    throw QuorvicException(what + " has timeout " + std::to_string(timeout) +
                           ", which LACP does not take here: 0 (slow) or 1 (fast)");
  }
}

bool Runs(const StandardSwitchDoc& sw, const LagTimeoutRow& lag) {
  return sw.lacp && sw.lacp->lagId == lag.lagId;
}

bool Runs(const StandardSwitchDoc& sw, const UplinkTimeoutRow& member) {
  return sw.lacp && sw.lacp->lagId == member.lagId && Linked(sw, member.uplink);
}

std::vector<LagChange> PlanLagLoad(const HostRecords& records,
                                   const std::vector<StandardSwitchDoc>& switches,
                                   const std::string& portset, uint32_t lagId) {
  std::vector<LagChange> changes;
  for (const StandardSwitchDoc& sw : switches) {
    const std::string& name = sw.row.name;
    if (!Matches(portset, name)) continue;
    std::vector<const LagTimeoutRow*> selected;
    bool recorded = false;  // whether the LAG the bond runs has a record
    for (const LagTimeoutRow& lag : records.lagTimeouts) {
      if (lag.portset != name) continue;
      if (Runs(sw, lag)) recorded = true;
      if (Matches(lagId, lag.lagId)) selected.push_back(&lag);
    }
    std::optional<LacpRow> lacp = sw.lacp;
    if (selected.size() > 1) {
      std::string ids;
      for (const LagTimeoutRow* lag : selected) {
        ids += (ids.empty() ? "" : ", ") + std::to_string(lag->lagId);
      }
      const std::string load = "`ploncfg-vswitch -G -s " + name + " -j ID`";
      throw QuorvicException("standard switch " + name + " has LAGs " + ids +
                             " in its records, and its uplinks make one bond: " + load +
                             " loads one of them, " + RemoveCommand(name, "ID") + " removes one");
    }
    if (selected.size() == 1) {
      const LagTimeoutRow& lag = *selected[0];
      CheckLacpTimeout(LagName(name, lag.lagId), lag.timeout);
      if (sw.row.uplinks.empty()) NoUplinks(name, lag.lagId);
      lacp = LacpRow{lag.lagId, lag.timeout};
    } else if (sw.lacp && sw.lacp->lagId != 0 && !recorded && Matches(lagId, sw.lacp->lagId)) {
      lacp.reset();
    }
    if (lacp != sw.lacp) changes.push_back({sw.row, lacp});
  }
  return changes;
}

void RunSelectedLags(RowStore& store, const std::string& portset, uint32_t lagId) {
  const HostRecords records = store.ReadRecords();
  Apply(store, PlanLagLoad(records, ReachedSwitches(store, portset), portset, lagId));
}

void RunSelectedMembers(RowStore& store, const std::string& portset, uint32_t lagId,
                        const std::string& uplink) {
  const HostRecords records = store.ReadRecords();
  SwitchLookup switches(store);
  std::map<std::string, uint32_t> lagOf;  // a switch, and the LAG of its selected members
  for (const UplinkTimeoutRow& member : records.uplinkTimeouts) {
    if (!Selects(portset, lagId, uplink, member)) continue;
    const StandardSwitchDoc* sw = switches.Find(member.portset);
    if (sw == nullptr) continue;
    const std::string& name = member.portset;
    const std::string what = "uplink " + member.uplink + " of " + LagName(name, member.lagId);
    auto lag = std::find_if(
        records.lagTimeouts.begin(), records.lagTimeouts.end(),
        [&](const LagTimeoutRow& l) { return l.portset == name && l.lagId == member.lagId; });
    if (lag == records.lagTimeouts.end()) {
      throw QuorvicException(what + " belongs to no LAG record: `ploncfg-host lag add " + name +
                             " " + std::to_string(member.lagId) + " --timeout " +
                             std::to_string(member.timeout) + "` adds it");
    }
    if (lag->timeout != member.timeout) {
      throw QuorvicException(what + " has timeout " + TimeoutText(member.timeout) + ", its LAG " +
                             TimeoutText(lag->timeout) +
                             ": the members of a bond share its one LACP timeout, so an "
                             "uplink's record must have its LAG's");
    }
    if (!Linked(*sw, member.uplink)) {
      throw QuorvicException(what + ": pnic " + member.uplink + " is not linked to " + name +
                             ": `ploncfg-vswitch -L " + member.uplink + " " + name + "` links it");
    }
    auto [at, added] = lagOf.emplace(name, member.lagId);
    if (!added && at->second != member.lagId) {
      throw QuorvicException("the selected uplinks of standard switch " + name +
                             " belong to LAGs " + std::to_string(at->second) + " and " +
                             std::to_string(member.lagId) +
                             ", and its uplinks make one bond: -j selects the uplinks of one");
    }
  }
  std::vector<LagChange> changes;
  for (const auto& [name, id] : lagOf) {
    for (LagChange& change : PlanLagLoad(records, {*switches.Find(name)}, name, id)) {
      changes.push_back(std::move(change));
    }
  }
  Apply(store, changes);
}

std::vector<LagTimeoutConfig> GetRunningLags(RowStore& store, const std::string& portset,
                                             uint32_t lagId) {
  const HostRecords records = store.ReadRecords();
  SwitchLookup switches(store);
  std::vector<LagTimeoutConfig> configs;
  for (const LagTimeoutRow& lag : records.lagTimeouts) {
    if (!Selects(portset, lagId, lag)) continue;
    const StandardSwitchDoc* sw = switches.Find(lag.portset);
    if (sw == nullptr) {
      configs.push_back({lag.portset, lag.lagId, static_cast<uint8_t>(lag.timeout)});
    } else if (Runs(*sw, lag)) {
      configs.push_back({lag.portset, lag.lagId, static_cast<uint8_t>(sw->lacp->timeout)});
    }
  }
  return configs;
}

std::vector<UplinkTimeoutConfig> GetRunningMembers(RowStore& store, const std::string& portset,
                                                   uint32_t lagId, const std::string& uplink) {
  const HostRecords records = store.ReadRecords();
  SwitchLookup switches(store);
  std::vector<UplinkTimeoutConfig> configs;
  for (const UplinkTimeoutRow& member : records.uplinkTimeouts) {
    if (!Selects(portset, lagId, uplink, member)) continue;
    const StandardSwitchDoc* sw = switches.Find(member.portset);
    if (sw == nullptr) {
      configs.push_back(
          {member.portset, member.uplink, member.lagId, static_cast<uint8_t>(member.timeout)});
    } else if (Runs(*sw, member)) {
      configs.push_back(
          {member.portset, member.uplink, member.lagId, static_cast<uint8_t>(sw->lacp->timeout)});
    }
  }
  return configs;
}

namespace {

const StandardSwitchDoc* RunningSwitch(const HostDocument& doc, const std::string& name) {
  for (const StandardSwitchDoc& sw : doc.switches) {
    if (sw.row.running && sw.row.name == name) return &sw;
  }
  return nullptr;
}

}  // namespace

void ShowRunningLags(HostDocument& doc) {
  for (LagTimeoutRow& lag : doc.lagTimeouts) {
    if (const StandardSwitchDoc* sw = RunningSwitch(doc, lag.portset)) {
      lag.loaded = Runs(*sw, lag) && sw->lacp->timeout == lag.timeout;
    }
  }
  for (UplinkTimeoutRow& member : doc.uplinkTimeouts) {
    if (const StandardSwitchDoc* sw = RunningSwitch(doc, member.portset)) {
      member.loaded = Runs(*sw, member) && sw->lacp->timeout == member.timeout;
    }
  }
}

void RunLoadedLags(HostDocument& doc) {
  for (StandardSwitchDoc& sw : doc.switches) {
    sw.lacp.reset();
    if (!sw.row.running) continue;
    for (const LagTimeoutRow& lag : doc.lagTimeouts) {
      if (lag.portset != sw.row.name || !lag.loaded) continue;
      if (sw.lacp) {
        throw QuorvicException("standard switch " + sw.row.name + " has LAGs " +
                               std::to_string(sw.lacp->lagId) + " and " +
                               std::to_string(lag.lagId) +
                               " loaded in the document, and its uplinks make one bond");
      }
      CheckLacpTimeout(LagName(sw.row.name, lag.lagId), lag.timeout);
      sw.lacp = LacpRow{lag.lagId, lag.timeout};
    }
  }
}

std::vector<std::string> LagHealth(const HostRecords& records,
                                   const std::vector<StandardSwitchDoc>& switches) {
  std::vector<std::string> lines;
  for (const StandardSwitchDoc& sw : switches) {
    const std::string& name = sw.row.name;
    bool recorded = false;
    for (const LagTimeoutRow& lag : records.lagTimeouts) {
      if (lag.portset != name) continue;
      const std::string what = LagName(name, lag.lagId);
      const std::string load = LoadCommand(name, lag.lagId);
      if (Runs(sw, lag)) {
        recorded = true;
        if (sw.lacp->timeout == lag.timeout) continue;
        lines.push_back(what + " runs LACP timeout " + TimeoutText(sw.lacp->timeout) +
                        ", its record says " + TimeoutText(lag.timeout) + ": " + load +
                        " puts the record's back");
      } else if (lag.timeout > 1) {
        lines.push_back(what + " has timeout " + std::to_string(lag.timeout) +
                        ", which LACP does not take here (0 slow, 1 fast): " +
                        RemoveCommand(name, std::to_string(lag.lagId)) +
                        ", then `ploncfg-host lag add` with --timeout 0 or 1, replaces it");
      } else if (sw.row.uplinks.empty()) {
        lines.push_back(what + " is not running: " + name + " has no uplinks to bond; " +
                        "`ploncfg-vswitch -L PNIC " + name + "` links one, then " + load +
                        " runs it");
      } else {
        const std::string now = !sw.lacp              ? "bond without LACP"
                                : sw.lacp->lagId == 0 ? "run LACP that others turned on"
                                                      : "run LAG " + std::to_string(sw.lacp->lagId);
        lines.push_back(what + " is not running: the uplinks of " + name + " " + now + "; " + load +
                        " runs it");
      }
    }
    if (sw.lacp && sw.lacp->lagId != 0 && !recorded) {
      lines.push_back("the uplinks of " + name + " run LACP for LAG " +
                      std::to_string(sw.lacp->lagId) +
                      ", which has no record: `ploncfg-vswitch -G -s " + name +
                      "` bonds them as the teaming policy says");
    }
  }
  return lines;
}

void AddLagRecord(RowStore& store, const std::string& portset, uint32_t lagId, uint32_t timeout) {
  CheckPrintableName("portset", portset);
  if (lagId == 0) {
    throw QuorvicException("LAG ID 0 selects every LAG: a LAG's ID is 1 to 4294967295");
  }
  if (timeout > 255) throw QuorvicException("a LAG's timeout is 0 to 255");
  const bool runs = store.RunsLags();
  if (runs) {
    CheckLacpTimeout(LagName(portset, lagId), timeout);
    if (!store.FindSwitch(SwitchKey::Name(portset))) {
      throw QuorvicException("no standard switch named " + portset +
                             ": a LAG here is a standard switch's uplinks running LACP");
    }
  }
  store.EditRecords([&](HostRecords& records) {
    for (const LagTimeoutRow& lag : records.lagTimeouts) {
      if (lag.portset != portset) continue;
      if (lag.lagId == lagId) {
        throw QuorvicException(LagName(portset, lagId) + " exists already, with timeout " +
                               std::to_string(lag.timeout) + ": " +
                               RemoveCommand(portset, std::to_string(lagId)) + " removes it");
      }
      if (runs) {
        const std::string id = std::to_string(lag.lagId);
        throw QuorvicException("standard switch " + portset + " has LAG " + id +
                               " already, and its uplinks make one bond: " +
                               RemoveCommand(portset, id) + " removes it");
      }
    }
    records.lagTimeouts.push_back({portset, lagId, timeout, false});
  });
}

void RemoveLagRecord(RowStore& store, const std::string& portset, uint32_t lagId) {
  store.EditRecords([&](HostRecords& records) {
    auto& lags = records.lagTimeouts;
    auto lag = std::find_if(lags.begin(), lags.end(), [&](const LagTimeoutRow& l) {
      return l.portset == portset && l.lagId == lagId;
    });
    if (lag == lags.end()) throw QuorvicException("there is no " + LagName(portset, lagId));
    lags.erase(lag);
  });
}

}  // namespace rows
