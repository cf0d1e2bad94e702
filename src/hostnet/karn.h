#ifndef HOSTNET_KARN_H_
#define HOSTNET_KARN_H_

#include <cstdint>

#include "hostnet/host_constant.h"

// The kernel's system-information interface. These functions report failure
// by their status (0 is success) and never throw.
extern "C" {

// Opaque list of parameters handed to KARN_Set.
typedef struct KARN_ParamList KARN_ParamList;
typedef int KARN_ParamListType;

// What KARN_CheckSig reports about the interface it talks to.
typedef struct KARN_SigInfo {
  uint32_t version;
  uint32_t features;
} KARN_SigInfo;

typedef struct KARN_SigError {
  int code;
  char text[64];
} KARN_SigError;

// Node id of the kernel's ENS activation node.
extern const hostnet::HostConstant<uint16_t> KARN_NODE_net_ens_activate;

// Checks that the kernel interface of signature sigVersion is usable.
int KARN_CheckSig(KARN_SigInfo* info, uint32_t sigVersion, KARN_SigError* error);
// Sets node to the values of params. instance, flags and reserved must be 0.
int KARN_Set(uint16_t node, int instance, const KARN_ParamList* params, int flags, int reserved);
// Frees a list made by SysinfoUtil; null is ignored.
void KARN_ParamListDestroy(KARN_ParamList* params);

// A printable name of a status returned by the kernel interface.
const char* DREL_ReturnStatusToString(int status);

}  // extern "C"

namespace Korvel::Util {

class SysinfoUtil {
 public:
  SysinfoUtil() = delete;
  // A list holding the one unsigned integer value, of the given type; null on
  // failure. Free it with KARN_ParamListDestroy.
  static KARN_ParamList* GetIntParamList(unsigned int value, KARN_ParamListType type);
};

}  // namespace Korvel::Util

#endif  // HOSTNET_KARN_H_
