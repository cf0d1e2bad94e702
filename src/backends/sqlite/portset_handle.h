#ifndef BACKENDS_SQLITE_PORTSET_HANDLE_H_
#define BACKENDS_SQLITE_PORTSET_HANDLE_H_

#include <string>

#include "backends/sqlite/host_rows.h"
#include "backends/sqlite/store.h"
#include "hostnet/portset.h"

namespace sqlite_host {

// The portset of a running standard switch or DVSwitch.
class PortsetHandle : public Quorvic::Network::Portset {
 public:
  PortsetHandle(Store& store, SwitchRow row, WriterHold hold);

  std::string GetName() const override;
  bool IsEnsActive() override;
  void ActivateEns(bool interrupt, bool fastSwitch) override;
  void DeactivateEns() override;
  void ReassociateUplinks(bool ensActive, bool force, int reserved1, int reserved2) override;

 private:
  Store& store_;
  SwitchRow row_;
  WriterHold hold_;
};

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_PORTSET_HANDLE_H_
