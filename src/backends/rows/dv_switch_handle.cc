#include "backends/rows/dv_switch_handle.h"

#include <utility>

#include "backends/rows/range_checks.h"
#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::DVPort;
using Quorvic::Network::DVPortParam;

DVSwitchHandle::DVSwitchHandle(RowStore& store, SwitchRow row, std::unique_ptr<ChangeHold> hold)
    : SwitchRowHandle(store, std::move(row), std::move(hold)) {}

void DVSwitchHandle::RequireDistributed(const char* operation) const {
  if (row_.kind == SwitchKind::kOpaque) {
    throw QuorvicException("opaque switch " + row_.name + " does not support " + operation);
  }
}

std::string DVSwitchHandle::GetDVSName() const { return row_.dvsName; }

uint32_t DVSwitchHandle::GetMtu() const { return row_.mtu; }

void DVSwitchHandle::SetMtu(uint16_t mtu) {
  RequireDistributed("SetMtu");
  CheckMtu(mtu);
  store_.SetMtu(row_, mtu);
  row_.mtu = mtu;
}

std::vector<std::unique_ptr<DVPort>> DVSwitchHandle::GetDVPorts() const {
  std::vector<std::unique_ptr<DVPort>> ports;
  if (row_.kind == SwitchKind::kOpaque) return ports;
  for (DVPortRow& row : store_.ReadDVPorts(row_.id)) {
    ports.push_back(std::make_unique<DVPortHandle>(std::move(row), row_.switchId));
  }
  return ports;
}

std::string DVSwitchHandle::GetSwitchId() const { return row_.switchId; }

void DVSwitchHandle::AddDVPortUplink(const std::string& uplink, DVPortParam param) {
  RequireDistributed("AddDVPortUplink");
  store_.AddDVPortUplink(row_, uplink, param.portId);
  row_.uplinks = store_.ReadUplinks(row_);
}

void DVSwitchHandle::RemoveDVPortUplink(const std::string& uplink, int flags) {
  RequireDistributed("RemoveDVPortUplink");
  if (flags != 0) throw QuorvicException("flags " + std::to_string(flags) + " must be 0");
  store_.RemoveDVPortUplink(row_, uplink);
}

DVPortHandle::DVPortHandle(DVPortRow row, std::string switchId)
    : row_(std::move(row)), param_{std::move(switchId), row_.portId, row_.connectionId} {}

std::string DVPortHandle::GetName() const { return row_.portId; }

const DVPortParam& DVPortHandle::GetParam() const { return param_; }

bool DVPortHandle::IsInUse(std::vector<std::string>& clients) const {
  clients.insert(clients.end(), row_.clients.begin(), row_.clients.end());
  return !row_.clients.empty();
}

}  // namespace rows
