#ifndef BACKENDS_FAULTS_FAULT_GATE_H_
#define BACKENDS_FAULTS_FAULT_GATE_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "backends/history/history_recorder.h"
#include "hostnet/backend.h"
#include "hostnet/quorvic_exception.h"

namespace faults {

// Every library operation of a process passes through here on its way to the
// backend. The gate reads the host's faults once, on its first check, fires a
// matching one before the operation runs, spends counted faults in the host
// as they fire, and names the operation in exceptions that do not name one.
// While the backend works on a call, the value calls it makes for itself
// (policy accessors) fire nothing. Operations that change the host go through
// Change, which also records them, done or refused, in the host's history.
class FaultGate {
 public:
  // host keeps the faults and the history; it must outlive the gate.
  explicit FaultGate(hostnet::Backend& host) : host_(host), history_(host) {}

  // Runs call as operation op ("Class.Method") on the object named object
  // with the name argument arg (either may be empty). Throws
  // QuorvicException(fault message, op) when a fault fires; then call does
  // not run. An exception of call without a detail gets op as its detail.
  template <typename Call>
  auto Run(const char* op, const std::string& object, const std::string& arg, Call&& call)
      -> decltype(call()) {
    try {
      if (MayFire()) Check(op, object, arg);
      Working working(depth_);
      return call();
    } catch (const Quorvic::Lib::QuorvicException& e) {
      RethrowWithDetail(e, op);
    }
  }

  // Run for an operation that changes the host: records it in the host's
  // history (HistoryRecorder::Record), done or refused. The row is handed to
  // the host after the fault check, whose spending of a fault is no part of
  // the change, and right before call runs.
  template <typename Call>
  auto Change(const char* op, const std::string& object, const std::string& arg, Call&& call)
      -> decltype(call()) {
    const hostnet::HistoryRow row = history_.Row(op, history::HistoryObject(object, arg));
    return history_.Record(row, [&]() -> decltype(call()) {
      return Run(op, object, arg, [&]() -> decltype(call()) {
        host_.StageHistory(row);
        return call();
      });
    });
  }

  // Run for a call that puts back what the host already holds after a change
  // of the same object was refused: it changes nothing, so the refusal stands
  // alone in the history and this call is recorded only when it is refused
  // too.
  template <typename Call>
  void PutBack(const char* op, const std::string& object, const std::string& arg, Call&& call) {
    try {
      Run(op, object, arg, std::forward<Call>(call));
    } catch (const Quorvic::Lib::QuorvicException& e) {
      history_.Refused(op, history::HistoryObject(object, arg), e.GetMessage());
      throw;
    }
  }

  // Records a change the caller made without Run, such as a kernel call.
  history::HistoryRecorder& History() { return history_; }

  // False once the gate knows that no fault can fire in this run: most runs
  // have none, and then a call costs no more than this test.
  bool MayFire() const { return !faults_ || !faults_->empty(); }

  // The check for a call that asks nothing of the host: fires only when the
  // tool itself makes the call, not the backend on its own behalf.
  void CheckValueCall(const char* op);

  // The status a fault makes kernel function op return, if one fires; a host
  // that cannot be reached fires none.
  std::optional<int> KernelFault(const char* op);

 private:
  // Counts the calls the backend is working on.
  class Working {
   public:
    explicit Working(int& depth) : depth_(depth) { ++depth_; }
    ~Working() { --depth_; }
    Working(const Working&) = delete;
    Working& operator=(const Working&) = delete;

   private:
    int& depth_;
  };

  void Check(const char* op, const std::string& object, const std::string& arg);
  // The first matching fault that may still fire, spending one of its times.
  std::optional<hostnet::FaultRow> Take(const char* op, const std::string& object,
                                        const std::string& arg);
  [[noreturn]] static void RethrowWithDetail(const Quorvic::Lib::QuorvicException& e,
                                             const char* op);

  hostnet::Backend& host_;
  history::HistoryRecorder history_;
  std::optional<std::vector<hostnet::FaultRow>> faults_;
  int depth_ = 0;
};

}  // namespace faults

#endif  // BACKENDS_FAULTS_FAULT_GATE_H_
