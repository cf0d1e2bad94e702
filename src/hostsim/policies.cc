#include "hostnet/policies.h"

#include "hostsim/operation.h"

namespace Quorvic::Network {

NicCapabilities NicCapabilities::GetDefaultPolicy() {
  hostsim::CheckValueOperation("NicCapabilities", "GetDefaultPolicy");
  return NicCapabilities();
}

ShapingPolicy ShapingPolicy::GetDefaultPolicy() {
  hostsim::CheckValueOperation("ShapingPolicy", "GetDefaultPolicy");
  return ShapingPolicy();
}

PortSecurityPolicy PortSecurityPolicy::GetDefaultPolicy() {
  hostsim::CheckValueOperation("PortSecurityPolicy", "GetDefaultPolicy");
  return PortSecurityPolicy();
}

}  // namespace Quorvic::Network
