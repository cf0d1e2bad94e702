#include <algorithm>
#include <string>

#include "hostnet/quorvic_exception.h"
#include "hostsim/store.h"

namespace hostsim {

using Quorvic::Lib::QuorvicException;

void Store::AddUplink(const SwitchRow& sw, const std::string& pnic, bool persist) {
  Transaction txn = BeginWrite();
  RequireRunning(sw);
  RequirePnic(pnic);
  std::optional<std::string> owner = LinkedTo(pnic);
  if (owner && *owner != sw.name) {
    throw QuorvicException("pnic " + pnic + " is already linked to " + *owner);
  }
  std::vector<std::string> linked = ReadList(sw.id, UplinkList::kLinked);
  if (!owner) {
    linked.push_back(pnic);
    WriteList(sw.id, UplinkList::kLinked, linked);
  }
  if (persist) {
    std::vector<std::string> config = ReadList(sw.id, UplinkList::kConfig);
    if (std::find(config.begin(), config.end(), pnic) == config.end()) {
      config.push_back(pnic);
      WriteList(sw.id, UplinkList::kConfig, config);
    }
  }
  txn.Commit();
}

void Store::RemoveUplink(const SwitchRow& sw, const std::string& pnic, bool configOnly) {
  Transaction txn = BeginWrite();
  RequireRunning(sw);
  std::vector<std::string> config = ReadList(sw.id, UplinkList::kConfig);
  auto inConfig = std::find(config.begin(), config.end(), pnic);
  if (configOnly) {
    if (inConfig == config.end()) {
      throw QuorvicException("pnic " + pnic + " is not in the stored configuration of " + sw.name);
    }
  } else {
    std::vector<std::string> linked = ReadList(sw.id, UplinkList::kLinked);
    auto at = std::find(linked.begin(), linked.end(), pnic);
    if (at == linked.end()) {
      throw QuorvicException("pnic " + pnic + " is not linked to " + sw.name);
    }
    linked.erase(at);
    WriteList(sw.id, UplinkList::kLinked, linked);
  }
  if (inConfig != config.end()) {
    config.erase(inConfig);
    WriteList(sw.id, UplinkList::kConfig, config);
  }
  txn.Commit();
}

void Store::RestoreUplinks(const SwitchRow& sw) {
  Transaction txn = BeginWrite();
  RequireRunning(sw);
  std::vector<std::string> config = ReadList(sw.id, UplinkList::kConfig);
  for (const std::string& pnic : config) {
    std::optional<std::string> owner = LinkedTo(pnic);
    if (owner && *owner != sw.name) {
      throw QuorvicException("pnic " + pnic + " is already linked to " + *owner);
    }
  }
  WriteList(sw.id, UplinkList::kLinked, config);
  txn.Commit();
}

}  // namespace hostsim
