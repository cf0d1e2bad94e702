#ifndef BACKENDS_ROWS_DV_SWITCH_HANDLE_H_
#define BACKENDS_ROWS_DV_SWITCH_HANDLE_H_

#include <memory>
#include <string>
#include <vector>

#include "backends/rows/host_rows.h"
#include "backends/rows/switch_row_handle.h"
#include "hostnet/dv_switch.h"

namespace rows {

// A handle on one DVSwitch, with its DVPorts as read, or on an opaque
// switch, which answers the listing calls and whose changing calls throw.
// Changes go to the DVSwitch by its ref; the handle then holds it as
// written. DVPorts of it that the read could not make sense of come last
// among its DVPorts, as handles that fail with what is wrong.
class DVSwitchHandle : public SwitchRowHandle<Quorvic::Network::DVSwitch> {
 public:
  // What doc holds of the DVSwitch's DVPorts: all, or those that
  // RowStore::FindHostDVPorts hands out, the rest read when asked for.
  enum class Ports { kAll, kHostPart };

  DVSwitchHandle(RowStore& store, DVSwitchDoc doc, std::vector<UnreadableRow> unreadablePorts = {},
                 Ports ports = Ports::kAll);

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
  // Edits the DVSwitch and keeps it as written.
  void Edit(const std::function<void(DVSwitchDoc&)>& edit);
  // Edits the DVSwitch's uplinks and the DVPorts FindHostDVPorts hands out
  // with DVPort portId, and keeps them as written.
  void EditHostPart(const std::string& portId, const std::function<void(DVSwitchDoc&)>& edit);

  Ports ports_;
  std::vector<DVPortRow> dvports_;
  std::vector<UnreadableRow> unreadablePorts_;
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
