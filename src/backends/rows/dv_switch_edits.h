#ifndef BACKENDS_ROWS_DV_SWITCH_EDITS_H_
#define BACKENDS_ROWS_DV_SWITCH_EDITS_H_

#include <string>

#include "backends/rows/host_rows.h"

// The rules of changing a DVSwitch, for stores that read and write one
// DVSwitch with its DVPorts as a whole. Each throws QuorvicException naming
// the DVSwitch or DVPort and leaves dvs as it was.
namespace rows {

// Attaches pnic to DVPort portId and to the DVSwitch's uplinks, each once.
void AttachDVPortUplink(DVSwitchDoc& dvs, const std::string& pnic, const std::string& portId);
// Detaches pnic from every DVPort; the DVSwitch's own uplinks keep it.
void DetachDVPortUplink(DVSwitchDoc& dvs, const std::string& pnic);
// Adds DVPort portId last, with no clients, uplinks or connection id;
// throws when portId is empty, not printable, or a DVPort of dvs has it.
void AddDVPortRow(DVSwitchDoc& dvs, const std::string& portId);
// Removes DVPort portId; throws when dvs has none.
void RemoveDVPortRow(DVSwitchDoc& dvs, const std::string& portId);
// DVPort portId of dvs; throws "DVPort ID no longer exists".
DVPortRow& DVPortOf(DVSwitchDoc& dvs, const std::string& portId);

// dvs with only its DVPort portId and those that have uplinks: what
// RowStore::FindHostDVPorts gives of a DVSwitch read whole.
DVSwitchDoc HostPart(const DVSwitchDoc& dvs, const std::string& portId);
// Puts part, a HostPart of dvs for DVPort portId that an edit changed, back
// into dvs: its DVPorts by ID (portId added last or removed as part has it
// or not), and the DVSwitch's uplinks.
void PutBackPart(DVSwitchDoc& dvs, const DVSwitchDoc& part, const std::string& portId);

}  // namespace rows

#endif  // BACKENDS_ROWS_DV_SWITCH_EDITS_H_
