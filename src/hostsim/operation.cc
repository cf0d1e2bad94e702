#include "hostsim/operation.h"

namespace hostsim {
namespace {

int internalDepth = 0;

}  // namespace

void RethrowWithDetail(const Quorvic::Lib::QuorvicException& e, const std::string& cls,
                       const std::string& method) {
  if (e.GetDetailedMessage() != e.GetMessage()) throw e;
  throw Quorvic::Lib::QuorvicException(e.GetMessage(), cls + "." + method);
}

void CheckOperation(const char* cls, const char* method, const std::string& object,
                    const std::string& arg) {
  RunOperation(cls, method, object, arg, [](Store&) {});
}

void CheckValueOperation(const char* cls, const char* method) {
  HostSession* session = HostSession::IfOpen();
  if (session == nullptr || internalDepth > 0 || !session->HasFaults()) return;
  session->FireFault(cls, method, std::string(), std::string());
}

InternalCall::InternalCall() { ++internalDepth; }
InternalCall::~InternalCall() { --internalDepth; }

}  // namespace hostsim
