#include "backends/rows/row_backend.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>

#include "backends/rows/dv_switch_edits.h"
#include "backends/rows/dv_switch_handle.h"
#include "backends/rows/lags.h"
#include "backends/rows/named_handles.h"
#include "backends/rows/portset_handle.h"
#include "backends/rows/row_limits.h"
#include "backends/rows/standard_switch_handle.h"
#include "backends/rows/switch_edits.h"
#include "backends/rows/switch_info.h"
#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Lib::QuorvicException;
using namespace Quorvic::Network;

uint32_t RowBackend::DefaultNumPorts() const { return kDefaultNumPorts; }
uint16_t RowBackend::EnsActivateNode() const { return kEnsActivateNode; }

void RowBackend::Connect() { Host(); }

std::unique_ptr<VirtualSwitchInfo> RowBackend::GetVirtualSwitchInfo() {
  return std::make_unique<SwitchInfo>(Host());
}

std::unique_ptr<Korvel::Network::PortGroupNameSet> RowBackend::GetAllPortGroupNames() {
  return std::make_unique<PortGroupNames>(Host());
}

std::unique_ptr<VirtualSwitch> RowBackend::GetVirtualSwitchById(const std::string& name) {
  auto sw = Host().FindSwitch(SwitchKey::Name(name));
  if (!sw)
    throw QuorvicException(QuorvicException::Kind::kNotFound, "no standard switch named " + name);
  return std::make_unique<StandardSwitchHandle>(Host(), std::move(*sw));
}

std::unique_ptr<DVSwitch> RowBackend::GetDVSwitchByName(const std::string& name) {
  // A DVPort's change needs no more; a listing of its DVPorts reads them.
  auto dvs = Host().FindHostDVPorts(SwitchKey::Name(name), "");
  if (!dvs) throw QuorvicException(QuorvicException::Kind::kNotFound, "no DVSwitch named " + name);
  return std::make_unique<DVSwitchHandle>(Host(), std::move(*dvs), std::vector<UnreadableRow>{},
                                          DVSwitchHandle::Ports::kHostPart);
}

std::unique_ptr<Portset> RowBackend::GetPortsetById(const std::string& name) {
  std::optional<SwitchRow> row;
  if (auto sw = Host().FindSwitch(SwitchKey::Name(name))) {
    row = std::move(sw->row);
  } else if (auto dvs = Host().FindDVSwitch(SwitchKey::Name(name))) {
    row = std::move(dvs->row);
  }
  if (!row)
    throw QuorvicException(QuorvicException::Kind::kNotFound,
                           "no standard switch or DVSwitch named " + name);
  return std::make_unique<PortsetHandle>(Host(), std::move(*row));
}

namespace {

// True when the host has a running switch of kind named name.
bool Runs(RowStore& store, const std::string& name, SwitchKind kind) {
  std::optional<SwitchRow> sw = store.FindAnySwitch(SwitchKey::Name(name));
  return sw && sw->kind == kind && sw->running;
}

}  // namespace

bool RowBackend::IsValidVirtualSwitch(const std::string& name) {
  return Runs(Host(), name, SwitchKind::kStandard) || Runs(Host(), name, SwitchKind::kDistributed);
}

bool RowBackend::SwitchExists(const std::string& name) {
  return Runs(Host(), name, SwitchKind::kStandard);
}

int32_t RowBackend::ParseCdpStatus(const std::string& text) {
  static const char* const kNames[] = {"down", "listen", "advertise", "both"};
  std::string folded;
  for (char c : text) folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (int32_t value = 0; value < 4; ++value) {
    if (folded == kNames[value]) return value;
  }
  throw QuorvicException("unknown CDP status " + text + " (known: down, listen, advertise, both)");
}

bool RowBackend::IsValidPortGroup(const std::string& name) {
  std::optional<SwitchRow> holder = Host().FindAnySwitch(SwitchKey::PortGroup(name));
  return holder && holder->running;
}

std::unique_ptr<hostnet::NamedPortGroup> RowBackend::OpenPortGroup(const std::string& name) {
  return std::make_unique<NamedPortGroupHandle>(Host(), name);
}

std::unique_ptr<hostnet::NamedDVPort> RowBackend::OpenDVPort(const DVPortParam& param) {
  return std::make_unique<NamedDVPortHandle>(Host(), param);
}

int RowBackend::KernelCheckSig(KARN_SigInfo* info, uint32_t sigVersion, KARN_SigError* error) {
  try {
    Host();
  } catch (const QuorvicException&) {
    return kStatusUnavailable;
  }
  if (info == nullptr || error == nullptr) return kStatusBadParameter;
  info->version = sigVersion;
  info->features = 0;
  error->code = 0;
  error->text[0] = '\0';
  return kStatusSuccess;
}

int RowBackend::KernelSet(uint16_t node, int instance, const KARN_ParamList* params, int flags,
                          int reserved) {
  try {
    RowStore& store = Host();
    if (params == nullptr || instance != 0 || flags != 0 || reserved != 0) {
      return kStatusBadParameter;
    }
    if (node == kEnsActivateNode) {
      store.EditRecords([&](HostRecords& records) { records.ensActivateNode = params->value; });
    }
  } catch (const QuorvicException&) {
    return kStatusUnavailable;
  }
  return kStatusSuccess;
}

const char* RowBackend::KernelStatusText(int status) const {
  switch (status) {
    case kStatusSuccess:
      return "Success";
    case kStatusFailure:
      return "Failure";
    case kStatusBadParameter:
      return "Bad parameter";
    case kStatusUnavailable:
      return "Host state unavailable";
    default:
      return "Unknown status";
  }
}

HostDocument RowBackend::ReadHost() { return Host().ReadHost(); }
void RowBackend::ReplaceHost(const HostDocument& doc, hostnet::SharedDVSwitches) {
  Host().ReplaceHost(doc);
}

namespace {

// Edits DVPort portId of the running DVSwitch named name with edit, which
// may add or remove it (RowStore::EditHostDVPorts).
void EditDVPortNamed(RowStore& store, const std::string& name, const std::string& portId,
                     const std::function<void(DVSwitchDoc&)>& edit) {
  std::unique_ptr<ChangeHold> hold = store.HoldForChange();
  std::optional<DVSwitchDoc> dvs = store.FindHostDVPorts(SwitchKey::Name(name), portId);
  if (!dvs) throw QuorvicException(QuorvicException::Kind::kNotFound, "no DVSwitch named " + name);
  if (!store.EditHostDVPorts(dvs->row.ref, portId, edit)) SwitchGone(dvs->row);
}

}  // namespace

void RowBackend::AddDVPort(const std::string& dvswitch, const std::string& portId) {
  EditDVPortNamed(Host(), dvswitch, portId, [&](DVSwitchDoc& dvs) { AddDVPortRow(dvs, portId); });
}

void RowBackend::RemoveDVPort(const std::string& dvswitch, const std::string& portId) {
  EditDVPortNamed(Host(), dvswitch, portId,
                  [&](DVSwitchDoc& dvs) { RemoveDVPortRow(dvs, portId); });
}

void RowBackend::AddLag(const std::string& portset, uint32_t lagId, uint32_t timeout) {
  AddLagRecord(Host(), portset, lagId, timeout);
}

void RowBackend::RemoveLag(const std::string& portset, uint32_t lagId) {
  RemoveLagRecord(Host(), portset, lagId);
}

void RowBackend::Reboot() { Host().Reboot(); }
std::vector<std::string> RowBackend::Migrate() { return Host().Migrate(); }
std::vector<std::string> RowBackend::Health() { return Host().Health(); }

std::vector<FaultRow> RowBackend::ReadFaults() { return Host().ReadRecords().faults; }

void RowBackend::AddFault(const FaultRow& fault) {
  Host().EditRecords([&](HostRecords& records) {
    records.faults.push_back(fault);
    records.faults.back().id = 0;
  });
}

void RowBackend::ClearFaults() {
  Host().EditRecords([](HostRecords& records) { records.faults.clear(); });
}

bool RowBackend::SpendFault(int64_t id) {
  bool fires = false;
  Host().EditRecords([&](HostRecords& records) {
    auto& faults = records.faults;
    auto fault =
        std::find_if(faults.begin(), faults.end(), [&](const FaultRow& f) { return f.id == id; });
    // Another run may have spent or cleared it meanwhile.
    fires = fault != faults.end();
    if (fires && fault->times && --*fault->times <= 0) faults.erase(fault);
  });
  return fires;
}

void RowBackend::AppendHistory(const HistoryRow& row) { Host().AppendHistory(row); }
std::vector<HistoryRow> RowBackend::ReadHistory(int64_t sinceUs) {
  return Host().ReadHistory(sinceUs);
}

}  // namespace rows
