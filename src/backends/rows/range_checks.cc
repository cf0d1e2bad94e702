#include "backends/rows/range_checks.h"

#include "backends/rows/row_limits.h"
#include "hostnet/names.h"
#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Lib::QuorvicException;

void CheckSwitchName(const std::string& name, uint32_t maxSize) {
  if (name.empty()) throw QuorvicException("a switch name must not be empty");
  // Before any message repeats the name.
  CheckPrintableName("switch", name);
  if (name.size() >= maxSize) {
    throw QuorvicException("switch name " + name + " is longer than " +
                           std::to_string(maxSize - 1) + " bytes");
  }
}

void CheckPrintableName(const char* kind, const std::string& name) {
  if (!hostnet::IsPrintableName(name)) throw QuorvicException(hostnet::PrintableNameRule(kind));
}

void CheckNumPorts(uint32_t numPorts) {
  if (numPorts < kMinPorts || numPorts > kMaxPorts) {
    throw QuorvicException("port count " + std::to_string(numPorts) + " is out of range " +
                           std::to_string(kMinPorts) + "-" + std::to_string(kMaxPorts));
  }
}

void CheckMtu(uint32_t mtu) {
  if (mtu < kMinMtu || mtu > kMaxMtu) {
    throw QuorvicException("MTU " + std::to_string(mtu) + " is out of range " +
                           std::to_string(kMinMtu) + "-" + std::to_string(kMaxMtu));
  }
}

void CheckVlan(uint32_t vlan) {
  if (vlan > kMaxVlan) {
    throw QuorvicException("VLAN ID " + std::to_string(vlan) + " is out of range 0-" +
                           std::to_string(kMaxVlan));
  }
}

void CheckCdp(int32_t cdp) {
  if (cdp < 0 || cdp > 3) {
    throw QuorvicException("CDP status " + std::to_string(cdp) + " is out of range 0-3");
  }
}

}  // namespace rows
