#ifndef BACKENDS_SQLITE_PORT_GROUP_HANDLE_H_
#define BACKENDS_SQLITE_PORT_GROUP_HANDLE_H_

#include <memory>
#include <string>
#include <vector>

#include "backends/sqlite/host_rows.h"
#include "backends/sqlite/store.h"
#include "hostnet/port_group.h"

namespace sqlite_host {

// A handle on one port group, holding the values read with it.
class PortGroupHandle : public Quorvic::Network::PortGroup {
 public:
  PortGroupHandle(Store& store, PortGroupRow row);

  std::string GetName() const override;
  std::vector<std::unique_ptr<Quorvic::Network::Port>> GetPorts() const override;
  Quorvic::Network::NicTeamingPolicy GetTeamingPolicy() const override;
  uint16_t GetVlanId() const override;
  void SetVlanId(uint16_t vlanId) override;

 private:
  Store& store_;
  PortGroupRow row_;
};

// One port in use on a port group; ports are numbered from 0.
class PortHandle : public Quorvic::Network::Port {
 public:
  explicit PortHandle(uint32_t id) : id_(id) {}
  uint32_t GetId() const override { return id_; }

 private:
  uint32_t id_;
};

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_PORT_GROUP_HANDLE_H_
