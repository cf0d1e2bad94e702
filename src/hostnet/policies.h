#ifndef HOSTNET_POLICIES_H_
#define HOSTNET_POLICIES_H_

#include <cstdint>

namespace Quorvic::Network {

// Offload capabilities a new standard switch offers its ports.
struct NicCapabilities {
  bool csumOffload = true;
  bool tcpSegmentation = true;
  bool zeroCopyXmit = true;
  // The capabilities a new switch gets when the caller has no preference.
  static NicCapabilities GetDefaultPolicy();
};

// Traffic shaping of a new standard switch (disabled by default).
struct ShapingPolicy {
  bool enabled = false;
  uint64_t averageBandwidth = 0;  // bits per second
  uint64_t peakBandwidth = 0;     // bits per second
  uint64_t burstSize = 0;         // bytes
  static ShapingPolicy GetDefaultPolicy();
};

// Security settings of a new standard switch.
struct PortSecurityPolicy {
  bool allowPromiscuous = false;
  bool macChanges = true;
  bool forgedTransmits = true;
  static PortSecurityPolicy GetDefaultPolicy();
};

}  // namespace Quorvic::Network

#endif  // HOSTNET_POLICIES_H_
