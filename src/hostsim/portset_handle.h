#ifndef HOSTSIM_PORTSET_HANDLE_H_
#define HOSTSIM_PORTSET_HANDLE_H_

#include <string>

#include "hostnet/portset.h"
#include "hostsim/host_rows.h"

namespace hostsim {

// The portset of a running standard switch or DVSwitch.
class PortsetHandle : public Quorvic::Network::Portset {
 public:
  explicit PortsetHandle(SwitchRow row);

  std::string GetName() const override;
  bool IsEnsActive() override;
  void ActivateEns(bool interrupt, bool fastSwitch) override;
  void DeactivateEns() override;
  void ReassociateUplinks(bool ensActive, bool force, int reserved1, int reserved2) override;

 private:
  SwitchRow row_;
};

}  // namespace hostsim

#endif  // HOSTSIM_PORTSET_HANDLE_H_
