#include "commands/ens.h"

#include <cstdint>
#include <memory>

#include "commands/device_manager_pid.h"
#include "commands/end_run.h"
#include "hostnet/karn.h"
#include "hostnet/network_factory.h"
#include "output/output.h"

using Quorvic::Network::NetworkFactory;
using Quorvic::Network::Portset;

namespace {

// Signature version of the kernel interface this tool talks to.
constexpr uint32_t kKarnSigVersion = 21;

struct DestroyParamList {
  void operator()(KARN_ParamList* params) const { KARN_ParamListDestroy(params); }
};
using ParamListPtr = std::unique_ptr<KARN_ParamList, DestroyParamList>;

}  // namespace

void SetEnsActivateNode() {
  KARN_SigInfo info{};
  KARN_SigError error{};
  const int status = KARN_CheckSig(&info, kKarnSigVersion, &error);
  if (status != 0) {
    ErrorLine() << "KARN_CheckSig failed: " << DREL_ReturnStatusToString(status);
    throw EndRun{1};
  }
  const ParamListPtr params(Korvel::Util::SysinfoUtil::GetIntParamList(1, 0));
  if (params == nullptr) {
    ErrorLine() << "Error, failed to create KARN parameter list.";
    throw EndRun{1};
  }
  // Its status is deliberately not checked: a failed set is not reported.
  KARN_Set(KARN_NODE_net_ens_activate, 0, params.get(), 0, 0);
}

void ActivateEnsCommand(Portset& portset, bool interrupt, bool fastSwitch) {
  SetEnsActivateNode();
  portset.ActivateEns(interrupt, fastSwitch);
}

void DeactivateEnsCommand(Portset& portset) { portset.DeactivateEns(); }

void ReassociateEnsCommand(const std::string& vswitchName, bool force) {
  if (force) {
    HangUpDeviceManager();
  }
  const std::unique_ptr<Portset> portset = NetworkFactory::GetPortsetById(vswitchName);
  portset->ReassociateUplinks(portset->IsEnsActive(), force, 0, 0);
}

void ActivateEnsBlock(RunContext& run) {
  const std::unique_ptr<Portset> portset = NetworkFactory::GetPortsetById(run.line.vswitchName);
  ActivateEnsCommand(*portset, run.line.Has(Bit::kInterrupt), run.line.Has(Bit::kFastSwitch));
}

void DeactivateEnsBlock(RunContext& run) {
  const std::unique_ptr<Portset> portset = NetworkFactory::GetPortsetById(run.line.vswitchName);
  DeactivateEnsCommand(*portset);
}

void ReassociateEnsBlock(RunContext& run) {
  ReassociateEnsCommand(run.line.vswitchName, run.line.Has(Bit::kForceReassociateEns));
}
