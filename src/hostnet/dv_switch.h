#ifndef HOSTNET_DV_SWITCH_H_
#define HOSTNET_DV_SWITCH_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostnet/dv_port.h"
#include "hostnet/switch.h"

namespace Quorvic::Network {

// A distributed switch, or an opaque switch (which offers only the listing
// operations). Every operation may throw QuorvicException.
class DVSwitch : public Switch {
 public:
  // The switch's own DVS name; may differ from GetName().
  virtual std::string GetDVSName() const = 0;
  virtual uint32_t GetMtu() const = 0;
  // Throws when mtu is outside what the host accepts.
  virtual void SetMtu(uint16_t mtu) = 0;
  // The switch's DVPorts in host order; the caller owns them.
  virtual std::vector<std::unique_ptr<DVPort>> GetDVPorts() const = 0;
  // The identifier DVPortParam::switchId uses for this switch.
  virtual std::string GetSwitchId() const = 0;
  // Attaches uplink to the DVPort param names (and to the switch's uplinks).
  // Throws when uplink is not a pnic or the DVPort does not exist.
  virtual void AddDVPortUplink(const std::string& uplink, DVPortParam param) = 0;
  // Detaches uplink from every DVPort of the switch that has it; throws when
  // none has it. flags is reserved and must be 0.
  virtual void RemoveDVPortUplink(const std::string& uplink, int flags) = 0;
};

}  // namespace Quorvic::Network

#endif  // HOSTNET_DV_SWITCH_H_
