#ifndef HOSTNET_VIRTUAL_SWITCH_INFO_H_
#define HOSTNET_VIRTUAL_SWITCH_INFO_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostnet/dv_switch.h"
#include "hostnet/nic_teaming_policy.h"
#include "hostnet/policies.h"
#include "hostnet/timeout_config.h"
#include "hostnet/virtual_switch.h"

namespace Quorvic::Network {

// An object whose view of the host can be brought up to date.
class Refreshable {
 public:
  virtual ~Refreshable() = default;
  // Re-reads the host's running state. May throw QuorvicException.
  virtual void Refresh() = 0;
};

// The host-wide switch information: creates, removes, finds, lists and
// restores switches, and reads and loads timeout settings. Every operation may
// throw QuorvicException; a changing operation that throws has changed nothing.
class VirtualSwitchInfo : public virtual Refreshable {
 public:
  // Creates a running standard switch with the given policies and port count.
  // Throws when the name is empty, too long, or names a switch of any kind,
  // or numPorts is outside what the host accepts.
  virtual std::unique_ptr<VirtualSwitch> AddVirtualSwitch(const NicTeamingPolicy& teaming,
                                                          const PortSecurityPolicy& security,
                                                          const ShapingPolicy& shaping,
                                                          const NicCapabilities& capabilities,
                                                          const std::string& name,
                                                          uint32_t numPorts) = 0;
  // Creates a running DVSwitch named name, with dvsName as its DVS name, the
  // UUID text as its uuid and switch id, and class and version as given.
  // flags is reserved and must be 0. Throws like AddVirtualSwitch.
  virtual std::unique_ptr<DVSwitch> AddDVSwitch(const std::string& uuid, const std::string& name,
                                                const std::string& implClass,
                                                const std::string& dvsName, uint32_t numPorts,
                                                uint32_t version, int flags) = 0;
  // Removes the standard switch or DVSwitch of that name, with everything on
  // it. Throws when there is none.
  virtual void RemoveVirtualSwitch(const std::string& name) = 0;
  // True when name is a running standard switch.
  virtual bool IsStandardSwitch(const std::string& name) = 0;

  // The running standard switches in host order: the system switches when
  // system is true, the others when it is false.
  virtual std::vector<std::unique_ptr<VirtualSwitch>> GetVirtualSwitches(bool system) = 0;
  // The running DVSwitches in host order.
  virtual std::vector<std::unique_ptr<DVSwitch>> GetDVSwitches() = 0;
  // The opaque switches in host order.
  virtual std::vector<std::unique_ptr<DVSwitch>> GetOpaqueSwitches() = 0;

  // Starts again every DVSwitch recorded in the DVS cache file cacheFile.
  virtual void RestoreDVSwitches(const std::string& cacheFile) = 0;
  // Starts again every standard switch of the stored configuration, with its
  // port groups and policies but no linked uplinks.
  virtual void RestoreVirtualSwitches() = 0;

  // Timeout records match a selection when its portset is empty or equal, its
  // lagId is 0 or equal, and (uplink records) its uplink is empty or equal.
  // Load marks the matching records loaded; Get returns them in host order.
  virtual void LoadUplinkTimeoutConfig(const std::string& portset, uint32_t lagId,
                                       const std::string& uplink) = 0;
  virtual std::vector<UplinkTimeoutConfig> GetUplinkTimeoutConfig(const std::string& portset,
                                                                  uint32_t lagId,
                                                                  const std::string& uplink) = 0;
  virtual void LoadLagTimeoutConfig(const std::string& portset, uint32_t lagId) = 0;
  virtual std::vector<LagTimeoutConfig> GetLagTimeoutConfig(const std::string& portset,
                                                            uint32_t lagId) = 0;
};

}  // namespace Quorvic::Network

#endif  // HOSTNET_VIRTUAL_SWITCH_INFO_H_
