#ifndef HOSTSIM_STANDARD_SWITCH_H_
#define HOSTSIM_STANDARD_SWITCH_H_

#include <memory>
#include <string>
#include <vector>

#include "hostnet/virtual_switch.h"
#include "hostsim/host_rows.h"
#include "hostsim/port_group_cursor.h"
#include "hostsim/switch_row_handle.h"

namespace hostsim {

// A handle on one standard switch: getters return the values read with it,
// changes go to the host by row id. Switches of one listing share a cursor
// over their port groups.
class StandardSwitch : public SwitchRowHandle<Quorvic::Network::VirtualSwitch> {
 public:
  explicit StandardSwitch(SwitchRow row, std::shared_ptr<PortGroupCursor> cursor = nullptr);

  std::vector<std::unique_ptr<Quorvic::Network::PortGroup>> GetPortGroups() const override;
  std::unique_ptr<Quorvic::Network::PortGroup> AddPortGroup(const std::string& name) override;
  void RemovePortGroup(const std::string& name) override;
  Quorvic::Network::NicTeamingPolicy GetTeamingPolicy() const override;
  void SetTeamingPolicy(Quorvic::Network::NicTeamingPolicy policy) override;
  void AddUplink(const std::string& pnic, bool persist) override;
  void RemoveUplink(const std::string& pnic, bool configOnly) override;
  int32_t GetCdpStatus() const override;
  void SetCdpStatus(int32_t status) override;
  uint32_t GetMtu() const override;
  void SetMtu(uint16_t mtu) override;
  void RestoreUplinks() override;

 private:
  std::shared_ptr<PortGroupCursor> cursor_;
};

}  // namespace hostsim

#endif  // HOSTSIM_STANDARD_SWITCH_H_
