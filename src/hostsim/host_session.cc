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
  if (!session) session.reset(new HostSession(OpenHostDatabase(HostDatabasePath())));
  return *session;
}

HostSession* HostSession::IfOpen() { return Instance().get(); }

HostSession::HostSession(std::unique_ptr<Connection> db)
    : db_(std::move(db)), store_(*db_, &HostSession::CloseCursors, this) {
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

const FaultRow* HostSession::TakeFault(const std::string& cls, const std::string& method,
                                       const std::string& object, const std::string& arg) {
  for (size_t i = 0; i < faults_.size(); ++i) {
    FaultRow& fault = faults_[i];
    if (!FaultMatches(fault, cls, method, object, arg)) continue;
    if (!fault.times) return &fault;
    if (!faultDb_) faultDb_ = std::make_unique<Connection>(db_->Path(), false);
    bool mayFire = Store(*faultDb_).SpendFault(fault.id);
    if (mayFire && --*fault.times > 0) return &fault;
    // Spent now (or by another process): it fires this once at most.
    static thread_local FaultRow last;
    last = std::move(fault);
    faults_.erase(faults_.begin() + static_cast<std::ptrdiff_t>(i));
    if (mayFire) return &last;
    --i;
  }
  return nullptr;
}

void HostSession::FireFault(const std::string& cls, const std::string& method,
                            const std::string& object, const std::string& arg) {
  if (faults_.empty()) return;
  const FaultRow* fault = TakeFault(cls, method, object, arg);
  if (fault != nullptr) {
    throw Quorvic::Lib::QuorvicException(fault->message, cls.empty() ? method : cls + "." + method);
  }
}

std::optional<int> HostSession::KernelFault(const std::string& cls,
                                            const std::string& function) {
  if (faults_.empty()) return std::nullopt;
  const FaultRow* fault = TakeFault(cls, function, "", "");
  if (fault == nullptr) return std::nullopt;
  return fault->status ? static_cast<int>(*fault->status) : 1;
}

}  // namespace hostsim
