#include "backends/rows/dv_switch_handle.h"

#include <utility>

#include "backends/rows/dv_switch_edits.h"
#include "backends/rows/range_checks.h"
#include "backends/rows/switch_edits.h"
#include "backends/rows/unreadable_handles.h"
#include "backends/rows/uplinks.h"
#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::DVPort;
using Quorvic::Network::DVPortParam;

DVSwitchHandle::DVSwitchHandle(RowStore& store, DVSwitchDoc doc,
                               std::vector<UnreadableRow> unreadablePorts, Ports ports)
    : SwitchRowHandle(store, std::move(doc.row), false),
      ports_(ports),
      dvports_(std::move(doc.dvports)),
      unreadablePorts_(std::move(unreadablePorts)) {}

void DVSwitchHandle::RequireDistributed(const char* operation) const {
  if (row_.kind == SwitchKind::kOpaque) {
    throw QuorvicException("opaque switch " + row_.name + " does not support " + operation);
  }
}

void DVSwitchHandle::Edit(const std::function<void(DVSwitchDoc&)>& edit) {
  DVSwitchDoc written = EditDistributedSwitch(store_, row_, edit);
  row_ = std::move(written.row);
  dvports_ = std::move(written.dvports);
  ports_ = Ports::kAll;
}

void DVSwitchHandle::EditHostPart(const std::string& portId,
                                  const std::function<void(DVSwitchDoc&)>& edit) {
  std::optional<DVSwitchDoc> written = store_.EditHostDVPorts(row_.ref, portId, edit);
  if (!written) SwitchGone(row_);
  DVSwitchDoc held{row_, std::move(dvports_)};
  PutBackPart(held, *written, portId);
  row_ = std::move(written->row);
  dvports_ = ports_ == Ports::kAll ? std::move(held.dvports) : std::move(written->dvports);
}

std::string DVSwitchHandle::GetDVSName() const { return row_.dvsName; }

uint32_t DVSwitchHandle::GetMtu() const { return row_.mtu; }

void DVSwitchHandle::SetMtu(uint16_t mtu) {
  RequireDistributed("SetMtu");
  CheckMtu(mtu);
  Edit([&](DVSwitchDoc& dvs) { dvs.row.mtu = mtu; });
}

std::vector<std::unique_ptr<DVPort>> DVSwitchHandle::GetDVPorts() const {
  std::vector<DVPortRow> read;
  if (ports_ == Ports::kHostPart) {
    std::optional<DVSwitchDoc> whole = store_.FindDVSwitch(SwitchKey::Name(row_.name));
    if (!whole || whole->row.ref != row_.ref) SwitchGone(row_);
    read = std::move(whole->dvports);
  }
  std::vector<std::unique_ptr<DVPort>> ports;
  for (const DVPortRow& row : ports_ == Ports::kAll ? dvports_ : read) {
    ports.push_back(std::make_unique<DVPortHandle>(row, row_.switchId));
  }
  for (const UnreadableRow& row : unreadablePorts_) {
    ports.push_back(std::make_unique<UnreadableDVPortHandle>(row));
  }
  return ports;
}

std::string DVSwitchHandle::GetSwitchId() const { return row_.switchId; }

void DVSwitchHandle::AddDVPortUplink(const std::string& uplink, DVPortParam param) {
  RequireDistributed("AddDVPortUplink");
  EditHostPart(param.portId, [&](DVSwitchDoc& dvs) {
    RequirePnic(store_.Pnics(), uplink);
    AttachDVPortUplink(dvs, uplink, param.portId);
  });
}

void DVSwitchHandle::RemoveDVPortUplink(const std::string& uplink, int flags) {
  RequireDistributed("RemoveDVPortUplink");
  if (flags != 0) throw QuorvicException("flags " + std::to_string(flags) + " must be 0");
  EditHostPart("", [&](DVSwitchDoc& dvs) { DetachDVPortUplink(dvs, uplink); });
}

DVPortHandle::DVPortHandle(DVPortRow row, std::string switchId)
    : row_(std::move(row)), param_{std::move(switchId), row_.portId, row_.connectionId} {}

std::string DVPortHandle::GetName() const { return row_.portId; }

const DVPortParam& DVPortHandle::GetParam() const { return param_; }

bool DVPortHandle::IsInUse(std::vector<std::string>& clients) const {
  clients.insert(clients.end(), row_.clients.begin(), row_.clients.end());
  if (row_.binding && !row_.binding->host.empty()) clients.push_back(row_.binding->ClientName());
  return row_.InUse();
}

}  // namespace rows
