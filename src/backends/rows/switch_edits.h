#ifndef BACKENDS_ROWS_SWITCH_EDITS_H_
#define BACKENDS_ROWS_SWITCH_EDITS_H_

#include <functional>
#include <string>

#include "backends/rows/host_rows.h"
#include "backends/rows/row_store.h"

// Edits of one object through a store, and the messages for an object that
// went away meanwhile. Each throws what edit throws, having changed nothing.
namespace rows {

// "standard switch", "DVSwitch", "opaque switch": a kind as messages name it.
const char* KindLabel(SwitchKind kind);
// Throws "KIND NAME no longer exists" for sw.
[[noreturn]] void SwitchGone(const SwitchRow& sw);
// Throws "a switch named NAME already exists", what a store says when its
// engine finds a new switch's name taken.
[[noreturn]] void SwitchNameTaken(const std::string& name);

// Edits the running standard switch sw was read from and returns it as
// written; throws SwitchGone when it is gone or stopped.
StandardSwitchDoc EditStandardSwitch(RowStore& store, const SwitchRow& sw,
                                     const std::function<void(StandardSwitchDoc&)>& edit);
// The same for a DVSwitch.
DVSwitchDoc EditDistributedSwitch(RowStore& store, const SwitchRow& sw,
                                  const std::function<void(DVSwitchDoc&)>& edit);
// Edits port group pg of the running standard switch whose ref is owner;
// throws "port group NAME no longer exists" when either is gone. Returns pg as written.
PortGroupRow EditPortGroup(RowStore& store, const RowRef& owner, const PortGroupRow& pg,
                           const std::function<void(PortGroupRow&)>& edit);

}  // namespace rows

#endif  // BACKENDS_ROWS_SWITCH_EDITS_H_
