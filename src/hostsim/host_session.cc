#include "hostsim/host_session.h"

#include <utility>

#include "hostnet/quorvic_exception.h"
#include "hostsim/fault_match.h"
#include "hostsim/host_database.h"
#include "hostsim/port_group_cursor.h"

namespace hostsim {
namespace {

std::unique_ptr<HostSession>& Instance() {
  static std::unique_ptr<HostSession> session;
  return session;
}

}  // namespace

HostSession& HostSession::Get() {
  std::unique_ptr<HostSession>& session = Instance();
  if (!session) {
    const std::string path = HostDatabasePath();
    auto lock = std::make_unique<HostLock>(path);
    session.reset(new HostSession(std::move(lock), OpenHostDatabase(path)));
  }
  return *session;
}

HostSession* HostSession::IfOpen() { return Instance().get(); }

HostSession::HostSession(std::unique_ptr<HostLock> lock, std::unique_ptr<Connection> db)
    : lock_(std::move(lock)),
      db_(std::move(db)), store_(*db_, &HostSession::CloseCursors, this) {
  faults_ = store_.ReadFaults();
}

HostSession::~HostSession() = default;

void HostSession::CloseCursors(void* session) {
  auto* self = static_cast<HostSession*>(session);
  for (const std::weak_ptr<PortGroupCursor>& weak : self->cursors_) {
    if (std::shared_ptr<PortGroupCursor> cursor = weak.lock()) cursor->Close();
  }
  self->cursors_.clear();
}

void HostSession::RegisterCursor(const std::weak_ptr<PortGroupCursor>& cursor) {
  cursors_.push_back(cursor);
}

std::optional<FaultRow> HostSession::TakeFault(const std::string& cls, const std::string& method,
                                               const std::string& object, const std::string& arg) {
  for (auto it = faults_.begin(); it != faults_.end();) {
    if (!FaultMatches(*it, cls, method, object, arg)) {
      ++it;
      continue;
    }
    if (!it->times) return *it;
    if (!faultDb_) faultDb_ = std::make_unique<Connection>(db_->Path(), false);
    // Another run may have spent it meanwhile; then it does not fire here.
    bool mayFire = Store(*faultDb_).SpendFault(it->id);
    if (mayFire && --*it->times > 0) return *it;
    FaultRow fault = std::move(*it);
    it = faults_.erase(it);
    if (mayFire) return fault;
  }
  return std::nullopt;
}

void HostSession::FireFault(const std::string& cls, const std::string& method,
                            const std::string& object, const std::string& arg) {
  if (faults_.empty()) return;
  std::optional<FaultRow> fault = TakeFault(cls, method, object, arg);
  if (fault) {
    throw Quorvic::Lib::QuorvicException(fault->message, cls.empty() ? method : cls + "." + method);
  }
}

std::optional<int> HostSession::KernelFault(const std::string& cls, const std::string& function) {
  if (faults_.empty()) return std::nullopt;
  std::optional<FaultRow> fault = TakeFault(cls, function, "", "");
  if (!fault) return std::nullopt;
  return fault->status ? static_cast<int>(*fault->status) : 1;
}

}  // namespace hostsim
