#ifndef BACKENDS_ROWS_DV_SWITCH_HANDLE_H_
#define BACKENDS_ROWS_DV_SWITCH_HANDLE_H_

#include <memory>
#include <string>
#include <vector>

#include "backends/rows/host_rows.h"
#include "backends/rows/switch_row_handle.h"
#include "hostnet/dv_switch.h"

namespace rows {

// A handle on one DVSwitch or opaque switch. An
// opaque switch answers the listing calls; its changing calls throw.
class DVSwitchHandle : public SwitchRowHandle<Quorvic::Network::DVSwitch> {
 public:
  DVSwitchHandle(RowStore& store, SwitchRow row, std::unique_ptr<ChangeHold> hold = nullptr);

  std::string GetDVSName() const override;
  uint32_t GetMtu() const override;
  void SetMtu(uint16_t mtu) override;
  std::vector<std::unique_ptr<Quorvic::Network::DVPort>> GetDVPorts() const override;
  std::string GetSwitchId() const override;
  void AddDVPortUplink(const std::string& uplink, Quorvic::Network::DVPortParam param) override;
  void RemoveDVPortUplink(const std::string& uplink, int flags) override;

 private:
  // Throws for an opaque switch: operation is not one it offers.
  void RequireDistributed(const char* operation) const;
};

// A DVPort of a DVSwitch, holding the values read with it.
class DVPortHandle : public Quorvic::Network::DVPort {
 public:
  DVPortHandle(DVPortRow row, std::string switchId);

  std::string GetName() const override;
  const Quorvic::Network::DVPortParam& GetParam() const override;
  bool IsInUse(std::vector<std::string>& clients) const override;

 private:
  DVPortRow row_;
  Quorvic::Network::DVPortParam param_;
};

}  // namespace rows

#endif  // BACKENDS_ROWS_DV_SWITCH_HANDLE_H_
