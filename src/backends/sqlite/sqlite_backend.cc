#include "backends/sqlite/sqlite_backend.h"

#include <cctype>
#include <utility>

#include "backends/sqlite/dv_switch_handle.h"
#include "backends/sqlite/host_constants.h"
#include "backends/sqlite/host_database.h"
#include "backends/sqlite/named_handles.h"
#include "backends/sqlite/portset_handle.h"
#include "backends/sqlite/standard_switch_handle.h"
#include "backends/sqlite/switch_info.h"
#include "hostnet/quorvic_exception.h"

namespace sqlite_host {

using Quorvic::Lib::QuorvicException;
using namespace Quorvic::Network;

SqliteBackend::SqliteBackend(std::string path) : path_(std::move(path)) {}

SqliteBackend::~SqliteBackend() {
  if (store_ && store_->Wrote()) {
    store_.reset();  // ends its reads first
    db_->CheckpointIfFree();
  }
}

Store& SqliteBackend::Host() {
  if (!store_) {
    if (!lock_) lock_ = std::make_unique<WriterLock>(path_, WriterLock::ProcessWaitLimit());
    db_ = OpenHostDatabase(path_, *lock_);
    store_ = std::make_unique<Store>(*db_, *lock_);
  }
  return *store_;
}

WriterHold SqliteBackend::HoldForChange() { return WriterHold(Host().Lock()); }

uint32_t SqliteBackend::DefaultNumPorts() const { return kDefaultNumPorts; }
uint32_t SqliteBackend::MaxSwitchNameSize() const { return kMaxSwitchNameSize; }
std::string SqliteBackend::DefaultDVSCacheFile() const { return kDVSCacheFile; }
uint16_t SqliteBackend::EnsActivateNode() const { return kEnsActivateNode; }

void SqliteBackend::Connect() { Host(); }

std::unique_ptr<VirtualSwitchInfo> SqliteBackend::GetVirtualSwitchInfo() {
  return std::make_unique<SwitchInfo>(Host());
}

std::unique_ptr<Korvel::Network::PortGroupNameSet> SqliteBackend::GetAllPortGroupNames() {
  return std::make_unique<PortGroupNames>(Host());
}

std::unique_ptr<VirtualSwitch> SqliteBackend::GetVirtualSwitchById(const std::string& name) {
  WriterHold hold = HoldForChange();
  auto row = Host().FindSwitch(name, SwitchKind::kStandard);
  if (!row) throw QuorvicException("no standard switch named " + name);
  return std::make_unique<StandardSwitchHandle>(Host(), std::move(*row), std::move(hold));
}

std::unique_ptr<DVSwitch> SqliteBackend::GetDVSwitchByName(const std::string& name) {
  WriterHold hold = HoldForChange();
  auto row = Host().FindSwitch(name, SwitchKind::kDistributed);
  if (!row) throw QuorvicException("no DVSwitch named " + name);
  return std::make_unique<DVSwitchHandle>(Host(), std::move(*row), std::move(hold));
}

std::unique_ptr<Portset> SqliteBackend::GetPortsetById(const std::string& name) {
  WriterHold hold = HoldForChange();
  auto row = Host().FindSwitch(name, SwitchKind::kStandard);
  if (!row) row = Host().FindSwitch(name, SwitchKind::kDistributed);
  if (!row) throw QuorvicException("no standard switch or DVSwitch named " + name);
  return std::make_unique<PortsetHandle>(Host(), std::move(*row), std::move(hold));
}

bool SqliteBackend::IsValidVirtualSwitch(const std::string& name) {
  return Host().FindSwitch(name, SwitchKind::kStandard).has_value() ||
         Host().FindSwitch(name, SwitchKind::kDistributed).has_value();
}

bool SqliteBackend::SwitchExists(const std::string& name) {
  return Host().FindSwitch(name, SwitchKind::kStandard).has_value();
}

int32_t SqliteBackend::ParseCdpStatus(const std::string& text) {
  static const char* const kNames[] = {"down", "listen", "advertise", "both"};
  std::string folded;
  for (char c : text) folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (int32_t value = 0; value < 4; ++value) {
    if (folded == kNames[value]) return value;
  }
  throw QuorvicException("unknown CDP status " + text);
}

bool SqliteBackend::IsValidPortGroup(const std::string& name) {
  return Host().FindPortGroup(name).has_value();
}

std::unique_ptr<hostnet::NamedPortGroup> SqliteBackend::OpenPortGroup(const std::string& name) {
  return std::make_unique<NamedPortGroupHandle>(Host(), name, HoldForChange());
}

std::unique_ptr<hostnet::NamedDVPort> SqliteBackend::OpenDVPort(const DVPortParam& param) {
  return std::make_unique<NamedDVPortHandle>(Host(), param, HoldForChange());
}

int SqliteBackend::KernelCheckSig(KARN_SigInfo* info, uint32_t sigVersion, KARN_SigError* error) {
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

int SqliteBackend::KernelSet(uint16_t node, int instance, const KARN_ParamList* params, int flags,
                             int reserved) {
  try {
    Store& store = Host();
    if (params == nullptr || instance != 0 || flags != 0 || reserved != 0) {
      return kStatusBadParameter;
    }
    if (node == kEnsActivateNode) store.SetEnsActivateNode(params->value);
  } catch (const QuorvicException&) {
    return kStatusUnavailable;
  }
  return kStatusSuccess;
}

const char* SqliteBackend::KernelStatusText(int status) const {
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

HostDocument SqliteBackend::ReadHost() { return Host().ReadHost(); }
void SqliteBackend::ReplaceHost(const HostDocument& doc) { Host().ReplaceHost(doc); }
HostDocument SqliteBackend::DefaultHost() const { return sqlite_host::DefaultHost(); }
void SqliteBackend::Reboot() { Host().Reboot(); }

std::vector<FaultRow> SqliteBackend::ReadFaults() { return Host().ReadFaults(); }
void SqliteBackend::AddFault(const FaultRow& fault) { Host().AddFault(fault); }
void SqliteBackend::ClearFaults() { Host().ClearFaults(); }
bool SqliteBackend::SpendFault(int64_t id) { return Host().SpendFault(id); }

void SqliteBackend::AppendHistory(const hostnet::HistoryRow& row) { Host().AppendHistory(row); }
std::vector<hostnet::HistoryRow> SqliteBackend::ReadHistory(int64_t sinceUs) {
  return Host().ReadHistory(sinceUs);
}

}  // namespace sqlite_host
