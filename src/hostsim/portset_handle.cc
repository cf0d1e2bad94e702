#include "hostsim/portset_handle.h"

#include <utility>

#include "hostnet/quorvic_exception.h"
#include "hostsim/operation.h"

namespace hostsim {

namespace {
constexpr const char* kClass = "Portset";
}  // namespace

PortsetHandle::PortsetHandle(SwitchRow row) : row_(std::move(row)) {}

std::string PortsetHandle::GetName() const {
  CheckOperation(kClass, "GetName", row_.name);
  return row_.name;
}

bool PortsetHandle::IsEnsActive() {
  return RunOperation(kClass, "IsEnsActive", row_.name, "",
                      [&](Store& store) { return store.IsEnsActive(row_); });
}

void PortsetHandle::ActivateEns(bool interrupt, bool fastSwitch) {
  RunOperation(kClass, "ActivateEns", row_.name, "",
               [&](Store& store) { store.ActivateEns(row_, interrupt, fastSwitch); });
}

void PortsetHandle::DeactivateEns() {
  RunOperation(kClass, "DeactivateEns", row_.name, "",
               [&](Store& store) { store.DeactivateEns(row_); });
}

void PortsetHandle::ReassociateUplinks(bool /*ensActive*/, bool force, int reserved1,
                                       int reserved2) {
  RunOperation(kClass, "ReassociateUplinks", row_.name, "", [&](Store& store) {
    if (reserved1 != 0 || reserved2 != 0) {
      throw Quorvic::Lib::QuorvicException("the reserved arguments must be 0");
    }
    store.ReassociateUplinks(row_, force);
  });
}

}  // namespace hostsim
