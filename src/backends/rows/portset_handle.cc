#include "backends/rows/portset_handle.h"

#include <utility>

#include "backends/rows/switch_edits.h"
#include "hostnet/quorvic_exception.h"

namespace rows {

PortsetHandle::PortsetHandle(RowStore& store, SwitchRow row)
    : store_(store), row_(std::move(row)) {}

std::string PortsetHandle::GetName() const { return row_.name; }

void PortsetHandle::EditEns(const std::function<void(EnsState&)>& edit) {
  if (row_.kind == SwitchKind::kDistributed) {
    EditDistributedSwitch(store_, row_, [&](DVSwitchDoc& dvs) { edit(dvs.row.ens); });
  } else {
    EditStandardSwitch(store_, row_, [&](StandardSwitchDoc& sw) { edit(sw.row.ens); });
  }
}

bool PortsetHandle::IsEnsActive() {
  std::optional<SwitchRow> now;
  if (row_.kind == SwitchKind::kDistributed) {
    if (auto dvs = store_.FindDVSwitch(SwitchKey::Name(row_.name))) now = std::move(dvs->row);
  } else if (auto sw = store_.FindSwitch(SwitchKey::Name(row_.name))) {
    now = std::move(sw->row);
  }
  if (!now || now->ref != row_.ref) SwitchGone(row_);
  return now->ens.active;
}

void PortsetHandle::ActivateEns(bool interrupt, bool fastSwitch) {
  EditEns([&](EnsState& ens) {
    ens.active = true;
    ens.interrupt = interrupt;
    ens.fastSwitch = fastSwitch;
  });
}

void PortsetHandle::DeactivateEns() {
  EditEns([](EnsState& ens) { ens.active = false; });
}

void PortsetHandle::ReassociateUplinks(bool /*ensActive*/, bool force, int reserved1,
                                       int reserved2) {
  if (reserved1 != 0 || reserved2 != 0) {
    throw Quorvic::Lib::QuorvicException("the reserved arguments must be 0");
  }
  EditEns([&](EnsState& ens) {
    ++ens.reassociations;
    if (force) ++ens.forcedReassociations;
  });
}

}  // namespace rows
