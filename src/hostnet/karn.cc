#include "hostnet/karn.h"

#include "hostnet/process_backend.h"
#include "hostnet/quorvic_exception.h"

namespace {

// What a kernel call returns when no backend can be chosen; backends use the
// same value for "host state unavailable".
constexpr int kStatusUnavailable = 3;

// The process's backend for a kernel call, or null when none can be made.
hostnet::Backend* KernelBackend() {
  try {
    return &hostnet::ProcessBackend();
  } catch (const Quorvic::Lib::QuorvicException&) {
    return nullptr;
  }
}

}  // namespace

extern "C" {

int KARN_CheckSig(KARN_SigInfo* info, uint32_t sigVersion, KARN_SigError* error) {
  hostnet::Backend* backend = KernelBackend();
  return backend ? backend->KernelCheckSig(info, sigVersion, error) : kStatusUnavailable;
}

int KARN_Set(uint16_t node, int instance, const KARN_ParamList* params, int flags, int reserved) {
  hostnet::Backend* backend = KernelBackend();
  return backend ? backend->KernelSet(node, instance, params, flags, reserved) : kStatusUnavailable;
}

void KARN_ParamListDestroy(KARN_ParamList* params) { delete params; }

const char* DREL_ReturnStatusToString(int status) {
  hostnet::Backend* backend = KernelBackend();
  if (backend != nullptr) return backend->KernelStatusText(status);
  return status == kStatusUnavailable ? "Host state unavailable" : "Unknown status";
}

}  // extern "C"

namespace Korvel::Util {

KARN_ParamList* SysinfoUtil::GetIntParamList(unsigned int value, KARN_ParamListType type) {
  hostnet::Backend* backend = KernelBackend();
  return backend ? backend->GetIntParamList(value, type) : nullptr;
}

}  // namespace Korvel::Util
