#include "hostnet/policies.h"

#include "hostnet/process_backend.h"

namespace Quorvic::Network {

NicCapabilities NicCapabilities::GetDefaultPolicy() {
  hostnet::NoteCall("NicCapabilities.GetDefaultPolicy");
  return NicCapabilities();
}

ShapingPolicy ShapingPolicy::GetDefaultPolicy() {
  hostnet::NoteCall("ShapingPolicy.GetDefaultPolicy");
  return ShapingPolicy();
}

PortSecurityPolicy PortSecurityPolicy::GetDefaultPolicy() {
  hostnet::NoteCall("PortSecurityPolicy.GetDefaultPolicy");
  return PortSecurityPolicy();
}

}  // namespace Quorvic::Network
