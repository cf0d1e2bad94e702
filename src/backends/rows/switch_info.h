#ifndef BACKENDS_ROWS_SWITCH_INFO_H_
#define BACKENDS_ROWS_SWITCH_INFO_H_

#include <memory>
#include <string>
#include <vector>

#include "backends/rows/row_store.h"
#include "hostnet/virtual_switch_info.h"

namespace rows {

// The host-wide switch information.
class SwitchInfo : public Quorvic::Network::VirtualSwitchInfo {
 public:
  explicit SwitchInfo(RowStore& store) : store_(store) {}

  void Refresh() override;

  std::unique_ptr<Quorvic::Network::VirtualSwitch> AddVirtualSwitch(
      const Quorvic::Network::NicTeamingPolicy& teaming,
      const Quorvic::Network::PortSecurityPolicy& security,
      const Quorvic::Network::ShapingPolicy& shaping,
      const Quorvic::Network::NicCapabilities& capabilities, const std::string& name,
      uint32_t numPorts) override;
  std::unique_ptr<Quorvic::Network::DVSwitch> AddDVSwitch(
      const std::string& uuid, const std::string& name, const std::string& implClass,
      const std::string& dvsName, uint32_t numPorts, uint32_t version, int flags) override;
  void RemoveVirtualSwitch(const std::string& name) override;
  bool IsStandardSwitch(const std::string& name) override;

  std::vector<std::unique_ptr<Quorvic::Network::VirtualSwitch>> GetVirtualSwitches(
      bool system) override;
  std::vector<std::unique_ptr<Quorvic::Network::DVSwitch>> GetDVSwitches() override;
  std::vector<std::unique_ptr<Quorvic::Network::DVSwitch>> GetOpaqueSwitches() override;

  void RestoreDVSwitches(const std::string& cacheFile) override;
  void RestoreVirtualSwitches() override;

  void LoadUplinkTimeoutConfig(const std::string& portset, uint32_t lagId,
                               const std::string& uplink) override;
  std::vector<Quorvic::Network::UplinkTimeoutConfig> GetUplinkTimeoutConfig(
      const std::string& portset, uint32_t lagId, const std::string& uplink) override;
  void LoadLagTimeoutConfig(const std::string& portset, uint32_t lagId) override;
  std::vector<Quorvic::Network::LagTimeoutConfig> GetLagTimeoutConfig(const std::string& portset,
                                                                      uint32_t lagId) override;

 private:
  RowStore& store_;
};

}  // namespace rows

#endif  // BACKENDS_ROWS_SWITCH_INFO_H_
