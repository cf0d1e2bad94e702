#include "hostnet/karn.h"

#include <optional>

#include "hostnet/quorvic_exception.h"
#include "hostsim/host_constants.h"
#include "hostsim/host_session.h"

// The list GetIntParamList makes: one unsigned value and its type.
struct KARN_ParamList {
  unsigned int value;
  KARN_ParamListType type;
};

namespace {

using hostsim::HostSession;

// The session for a kernel function, or null when the host cannot be reached.
HostSession* KernelSession() {
  try {
    return &HostSession::Get();
  } catch (const Quorvic::Lib::QuorvicException&) {
    return nullptr;
  }
}

}  // namespace

extern "C" {

int KARN_CheckSig(KARN_SigInfo* info, uint32_t sigVersion, KARN_SigError* error) {
  HostSession* session = KernelSession();
  if (session == nullptr) return hostsim::kStatusUnavailable;
  try {
    if (std::optional<int> status = session->KernelFault("", "KARN_CheckSig")) return *status;
  } catch (const Quorvic::Lib::QuorvicException&) {
    return hostsim::kStatusUnavailable;
  }
  if (info == nullptr || error == nullptr) return hostsim::kStatusBadParameter;
  info->version = sigVersion;
  info->features = 0;
  error->code = 0;
  error->text[0] = '\0';
  return hostsim::kStatusSuccess;
}

int KARN_Set(uint16_t node, int instance, const KARN_ParamList* params, int flags, int reserved) {
  HostSession* session = KernelSession();
  if (session == nullptr) return hostsim::kStatusUnavailable;
  try {
    if (std::optional<int> status = session->KernelFault("", "KARN_Set")) return *status;
    if (params == nullptr || instance != 0 || flags != 0 || reserved != 0) {
      return hostsim::kStatusBadParameter;
    }
    if (node == KARN_NODE_net_ens_activate) session->store().SetEnsActivateNode(params->value);
  } catch (const Quorvic::Lib::QuorvicException&) {
    return hostsim::kStatusUnavailable;
  }
  return hostsim::kStatusSuccess;
}

void KARN_ParamListDestroy(KARN_ParamList* params) { delete params; }

const char* DREL_ReturnStatusToString(int status) {
  switch (status) {
    case hostsim::kStatusSuccess:
      return "Success";
    case hostsim::kStatusFailure:
      return "Failure";
    case hostsim::kStatusBadParameter:
      return "Bad parameter";
    case hostsim::kStatusUnavailable:
      return "Host state unavailable";
    default:
      return "Unknown status";
  }
}

}  // extern "C"

namespace Korvel::Util {

KARN_ParamList* SysinfoUtil::GetIntParamList(unsigned int value, KARN_ParamListType type) {
  HostSession* session = KernelSession();
  if (session == nullptr) return nullptr;
  try {
    if (session->KernelFault("SysinfoUtil", "GetIntParamList")) return nullptr;
  } catch (const Quorvic::Lib::QuorvicException&) {
    return nullptr;
  }
  return new KARN_ParamList{value, type};
}

}  // namespace Korvel::Util
