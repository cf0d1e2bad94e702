#include "backends/rows/uplinks.h"

#include <algorithm>
#include <optional>

#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Lib::QuorvicException;

namespace {

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Takes name out of names; true when it was there.
bool Erase(std::vector<std::string>& names, const std::string& name) {
  auto found = std::find(names.begin(), names.end(), name);
  if (found == names.end()) return false;
  names.erase(found);
  return true;
}

// The name of the running standard switch other than sw that links pnic.
std::optional<std::string> LinkedElsewhere(RowStore& store, const StandardSwitchDoc& sw,
                                           const std::string& pnic) {
  std::optional<StandardSwitchDoc> owner = store.FindSwitch(SwitchKey::LinkedPnic(pnic));
  if (!owner || owner->row.ref == sw.row.ref) return std::nullopt;
  return owner->row.name;
}

}  // namespace

void RequirePnic(const PnicSet& pnics, const std::string& name) {
  if (Contains(pnics.names, name)) return;
  if (!Contains(pnics.others, name)) throw QuorvicException("pnic " + name + " does not exist");
  throw QuorvicException("pnic " + name + " is not a pnic here: " + pnics.rule);
}

void CheckUplinkOrder(RowStore& store, const std::vector<std::string>& order) {
  if (order.empty()) return;
  const PnicSet pnics = store.Pnics();
  for (size_t i = 0; i < order.size(); ++i) {
    RequirePnic(pnics, order[i]);
    if (std::find(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(i), order[i]) !=
        order.begin() + static_cast<std::ptrdiff_t>(i)) {
      throw QuorvicException("the uplink order names " + order[i] + " twice");
    }
  }
}

void LinkPnic(RowStore& store, StandardSwitchDoc& sw, const std::string& pnic, bool persist) {
  RequirePnic(store.Pnics(), pnic);
  if (std::optional<std::string> owner = LinkedElsewhere(store, sw, pnic)) {
    throw QuorvicException("pnic " + pnic + " is already linked to " + *owner);
  }
  if (!Contains(sw.row.uplinks, pnic)) sw.row.uplinks.push_back(pnic);
  if (persist && !Contains(sw.row.configUplinks, pnic)) sw.row.configUplinks.push_back(pnic);
}

void UnlinkPnic(StandardSwitchDoc& sw, const std::string& pnic, bool configOnly) {
  if (!configOnly && !Erase(sw.row.uplinks, pnic)) {
    throw QuorvicException("pnic " + pnic + " is not linked to " + sw.row.name);
  }
  if (!Erase(sw.row.configUplinks, pnic) && configOnly) {
    throw QuorvicException("pnic " + pnic + " is not in the stored configuration of " +
                           sw.row.name);
  }
}

void RelinkStoredUplinks(RowStore& store, StandardSwitchDoc& sw) {
  for (const std::string& pnic : sw.row.configUplinks) {
    if (std::optional<std::string> owner = LinkedElsewhere(store, sw, pnic)) {
      throw QuorvicException("cannot restore the uplinks of " + sw.row.name + ": pnic " + pnic +
                             " is linked to " + *owner);
    }
  }
  sw.row.uplinks = sw.row.configUplinks;
}

}  // namespace rows
