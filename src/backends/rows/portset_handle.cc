#include "backends/rows/portset_handle.h"

#include <utility>

#include "hostnet/quorvic_exception.h"

namespace rows {

PortsetHandle::PortsetHandle(RowStore& store, SwitchRow row, std::unique_ptr<ChangeHold> hold)
    : store_(store), row_(std::move(row)), hold_(std::move(hold)) {}

std::string PortsetHandle::GetName() const { return row_.name; }

bool PortsetHandle::IsEnsActive() { return store_.IsEnsActive(row_); }

void PortsetHandle::ActivateEns(bool interrupt, bool fastSwitch) {
  store_.ActivateEns(row_, interrupt, fastSwitch);
}

void PortsetHandle::DeactivateEns() { store_.DeactivateEns(row_); }

void PortsetHandle::ReassociateUplinks(bool /*ensActive*/, bool force, int reserved1,
                                       int reserved2) {
  if (reserved1 != 0 || reserved2 != 0) {
    throw Quorvic::Lib::QuorvicException("the reserved arguments must be 0");
  }
  store_.ReassociateUplinks(row_, force);
}

}  // namespace rows
