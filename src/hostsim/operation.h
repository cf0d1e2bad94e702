#ifndef HOSTSIM_OPERATION_H_
#define HOSTSIM_OPERATION_H_

#include <string>
#include <utility>

#include "hostnet/quorvic_exception.h"
#include "hostsim/host_session.h"

// How every library operation starts: the session is opened, a matching fault
// fires before anything changes, and an exception without a detail gets the
// operation's name ("Class.Method") as its detail.
namespace hostsim {

// Tags an exception that has no detail yet with cls.method.
[[noreturn]] void RethrowWithDetail(const Quorvic::Lib::QuorvicException& e, const std::string& cls,
                                    const std::string& method);

// Runs body(store) as the operation cls.method on object (its name, or empty)
// with name argument arg (or empty).
template <typename Body>
auto RunOperation(const char* cls, const char* method, const std::string& object,
                  const std::string& arg, Body&& body) -> decltype(body(std::declval<Store&>())) {
  try {
    HostSession& session = HostSession::Get();
    // Most runs have no faults: then a call costs no more than this test.
    if (session.HasFaults()) session.FireFault(cls, method, object, arg);
    return body(session.store());
  } catch (const Quorvic::Lib::QuorvicException& e) {
    RethrowWithDetail(e, cls, method);
  }
}

// The fault check alone, for operations that only return values they hold.
void CheckOperation(const char* cls, const char* method, const std::string& object,
                    const std::string& arg = std::string());

// The fault check for value types, which work without a host: it fires only
// when the session is open and the call is not one the library makes on its
// own behalf (see InternalCall).
void CheckValueOperation(const char* cls, const char* method);

// While one lives, value accessors do not fire faults: the library is reading
// or building values for itself.
class InternalCall {
 public:
  InternalCall();
  ~InternalCall();
  InternalCall(const InternalCall&) = delete;
  InternalCall& operator=(const InternalCall&) = delete;
};

}  // namespace hostsim

#endif  // HOSTSIM_OPERATION_H_
