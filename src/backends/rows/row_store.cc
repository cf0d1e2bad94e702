#include "backends/rows/row_store.h"

#include "backends/rows/dv_switch_edits.h"

namespace rows {

// Stores that read and write a DVSwitch whole do so for its DVPorts too.
std::optional<DVSwitchDoc> RowStore::FindHostDVPorts(const SwitchKey& key,
                                                     const std::string& portId) {
  std::optional<DVSwitchDoc> dvs = FindDVSwitch(key);
  if (!dvs) return std::nullopt;
  return HostPart(*dvs, portId);
}

std::optional<DVSwitchDoc> RowStore::EditHostDVPorts(
    const RowRef& ref, const std::string& portId, const std::function<void(DVSwitchDoc&)>& edit) {
  DVSwitchDoc part;
  std::optional<DVSwitchDoc> written = EditDVSwitch(ref, [&](DVSwitchDoc& dvs) {
    part = HostPart(dvs, portId);
    edit(part);
    PutBackPart(dvs, part, portId);
  });
  if (!written) return std::nullopt;
  // As the edit left it, with the refs of DVPorts it added.
  part.row = written->row;
  for (DVPortRow& port : part.dvports) {
    for (const DVPortRow& now : written->dvports) {
      if (now.portId == port.portId) port.ref = now.ref;
    }
  }
  return part;
}

}  // namespace rows
