#include "hostsim/dv_switch_handle.h"

#include <utility>

#include "hostnet/quorvic_exception.h"
#include "hostsim/operation.h"
#include "hostsim/range_checks.h"

namespace hostsim {

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::DVPort;
using Quorvic::Network::DVPortParam;

namespace {
constexpr const char* kClass = "DVSwitch";
}  // namespace

DVSwitchHandle::DVSwitchHandle(SwitchRow row) : SwitchRowHandle(std::move(row), kClass) {}

void DVSwitchHandle::RequireDistributed(const char* operation) const {
  if (row_.kind == SwitchKind::kOpaque) {
    throw QuorvicException("opaque switch " + row_.name + " does not support " + operation);
  }
}

std::string DVSwitchHandle::GetDVSName() const {
  CheckOperation(kClass, "GetDVSName", row_.name);
  return row_.dvsName;
}

uint32_t DVSwitchHandle::GetMtu() const {
  CheckOperation(kClass, "GetMtu", row_.name);
  return row_.mtu;
}

void DVSwitchHandle::SetMtu(uint16_t mtu) {
  RunOperation(kClass, "SetMtu", row_.name, "", [&](Store& store) {
    RequireDistributed("SetMtu");
    CheckMtu(mtu);
    store.SetMtu(row_, mtu);
    row_.mtu = mtu;
  });
}

std::vector<std::unique_ptr<DVPort>> DVSwitchHandle::GetDVPorts() const {
  return RunOperation(kClass, "GetDVPorts", row_.name, "", [&](Store& store) {
    std::vector<std::unique_ptr<DVPort>> ports;
    if (row_.kind == SwitchKind::kOpaque) return ports;
    for (DVPortRow& row : store.ReadDVPorts(row_.id)) {
      ports.push_back(std::make_unique<DVPortHandle>(std::move(row), row_.switchId));
    }
    return ports;
  });
}

std::string DVSwitchHandle::GetSwitchId() const {
  CheckOperation(kClass, "GetSwitchId", row_.name);
  return row_.switchId;
}

void DVSwitchHandle::AddDVPortUplink(const std::string& uplink, DVPortParam param) {
  RunOperation(kClass, "AddDVPortUplink", row_.name, uplink, [&](Store& store) {
    RequireDistributed("AddDVPortUplink");
    store.AddDVPortUplink(row_, uplink, param.portId);
    row_.uplinks = store.ReadList(row_.id, UplinkList::kAttached);
  });
}

void DVSwitchHandle::RemoveDVPortUplink(const std::string& uplink, int flags) {
  RunOperation(kClass, "RemoveDVPortUplink", row_.name, uplink, [&](Store& store) {
    RequireDistributed("RemoveDVPortUplink");
    if (flags != 0) throw QuorvicException("flags " + std::to_string(flags) + " must be 0");
    store.RemoveDVPortUplink(row_, uplink);
  });
}

DVPortHandle::DVPortHandle(DVPortRow row, std::string switchId)
    : row_(std::move(row)), param_{std::move(switchId), row_.portId, row_.connectionId} {}

std::string DVPortHandle::GetName() const {
  CheckOperation("DVPort", "GetName", row_.portId);
  return row_.portId;
}

const DVPortParam& DVPortHandle::GetParam() const {
  CheckOperation("DVPort", "GetParam", row_.portId);
  return param_;
}

bool DVPortHandle::IsInUse(std::vector<std::string>& clients) const {
  CheckOperation("DVPort", "IsInUse", row_.portId);
  clients.insert(clients.end(), row_.clients.begin(), row_.clients.end());
  return !row_.clients.empty();
}

}  // namespace hostsim
