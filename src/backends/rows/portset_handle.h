#ifndef BACKENDS_ROWS_PORTSET_HANDLE_H_
#define BACKENDS_ROWS_PORTSET_HANDLE_H_

#include <functional>
#include <memory>
#include <string>

#include "backends/rows/host_rows.h"
#include "backends/rows/row_store.h"
#include "hostnet/portset.h"

namespace rows {

// The portset of a running standard switch or DVSwitch; changes go to the
// switch by its ref.
class PortsetHandle : public Quorvic::Network::Portset {
 public:
  PortsetHandle(RowStore& store, SwitchRow row);

  std::string GetName() const override;
  bool IsEnsActive() override;
  void ActivateEns(bool interrupt, bool fastSwitch) override;
  void DeactivateEns() override;
  void ReassociateUplinks(bool ensActive, bool force, int reserved1, int reserved2) override;

 private:
  // Edits the ENS state of the switch.
  void EditEns(const std::function<void(EnsState&)>& edit);

  RowStore& store_;
  SwitchRow row_;
};

}  // namespace rows

#endif  // BACKENDS_ROWS_PORTSET_HANDLE_H_
