#ifndef HOSTNET_PORTSET_H_
#define HOSTNET_PORTSET_H_

#include <cstdint>
#include <string>

#include "hostnet/host_constant.h"

namespace Quorvic::Network {

// How a switch lookup treats switches; 0 is the default get.
using PortsetGetType = int;

// The kernel's view of a running switch: its set of ports and its fast-path
// (ENS) state. Every operation may throw QuorvicException.
class Portset {
 public:
  // Port count of a switch created without one.
  static const hostnet::HostConstant<uint32_t> DEF_NUM_PORTS;
  // Switch names must be shorter than this many bytes.
  static const hostnet::HostConstant<uint32_t> MAX_VSNAME_SZ;

  virtual ~Portset() = default;
  virtual std::string GetName() const = 0;
  virtual bool IsEnsActive() = 0;
  virtual void ActivateEns(bool interrupt, bool fastSwitch) = 0;
  virtual void DeactivateEns() = 0;
  // Reassociates the switch's uplinks; reserved1 and reserved2 must be 0.
  virtual void ReassociateUplinks(bool ensActive, bool force, int reserved1, int reserved2) = 0;
};

}  // namespace Quorvic::Network

#endif  // HOSTNET_PORTSET_H_
