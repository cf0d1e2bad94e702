#ifndef BACKENDS_ROWS_PORT_GROUP_HANDLE_H_
#define BACKENDS_ROWS_PORT_GROUP_HANDLE_H_

#include <memory>
#include <string>
#include <vector>

#include "backends/rows/host_rows.h"
#include "backends/rows/row_store.h"
#include "hostnet/port_group.h"

namespace rows {

// A handle on one port group of the switch whose ref is owner, holding the values read with
// it; a change goes to the port group by its ref. The ports in use are
// counted by the store when they were not read (counted false).
class PortGroupHandle : public Quorvic::Network::PortGroup {
 public:
  PortGroupHandle(RowStore& store, RowRef owner, PortGroupRow row, bool counted = true);

  std::string GetName() const override;
  std::vector<std::unique_ptr<Quorvic::Network::Port>> GetPorts() const override;
  Quorvic::Network::NicTeamingPolicy GetTeamingPolicy() const override;
  uint16_t GetVlanId() const override;
  void SetVlanId(uint16_t vlanId) override;

 private:
  RowStore& store_;
  RowRef owner_;
  mutable PortGroupRow row_;
  mutable bool counted_;
};

// One port in use on a port group; ports are numbered from 0.
class PortHandle : public Quorvic::Network::Port {
 public:
  explicit PortHandle(uint32_t id) : id_(id) {}
  uint32_t GetId() const override { return id_; }

 private:
  uint32_t id_;
};

}  // namespace rows

#endif  // BACKENDS_ROWS_PORT_GROUP_HANDLE_H_
