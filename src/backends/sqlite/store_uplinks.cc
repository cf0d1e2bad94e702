#include <string>

#include "backends/sqlite/store.h"
#include "hostnet/quorvic_exception.h"

namespace sqlite_host {

using Quorvic::Lib::QuorvicException;

void Store::AddUplink(const SwitchRow& sw, const std::string& pnic, bool persist) {
  Write([&] {
    RequireRunning(sw);
    RequirePnic(pnic);
    std::optional<std::string> owner = LinkedTo(pnic);
    if (owner && *owner != sw.name) {
      throw QuorvicException("pnic " + pnic + " is already linked to " + *owner);
    }
    if (!owner) AppendToList(sw.id, UplinkList::kLinked, pnic);
    if (persist) AppendToList(sw.id, UplinkList::kConfig, pnic);
  });
}

void Store::RemoveUplink(const SwitchRow& sw, const std::string& pnic, bool configOnly) {
  Write([&] {
    RequireRunning(sw);
    if (!configOnly && !RemoveFromList(sw.id, UplinkList::kLinked, pnic)) {
      throw QuorvicException("pnic " + pnic + " is not linked to " + sw.name);
    }
    if (!RemoveFromList(sw.id, UplinkList::kConfig, pnic) && configOnly) {
      throw QuorvicException("pnic " + pnic + " is not in the stored configuration of " + sw.name);
    }
  });
}

void Store::RestoreUplinks(const SwitchRow& sw) {
  Write([&] {
    RequireRunning(sw);
    std::vector<std::string> config = ReadList(sw.id, UplinkList::kConfig);
    for (const std::string& pnic : config) {
      std::optional<std::string> owner = LinkedTo(pnic);
      if (owner && *owner != sw.name) {
        throw QuorvicException("cannot restore the uplinks of " + sw.name + ": pnic " + pnic +
                               " is linked to " + *owner);
      }
    }
    db_.Run("DELETE FROM switch_uplinks WHERE switch_id = ?1 AND list = ?2", sw.id,
            UplinkList::kLinked);
    InsertList(kSwitchUplinks, config, sw.id, UplinkList::kLinked);
  });
}

}  // namespace sqlite_host
