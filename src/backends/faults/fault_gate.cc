#include "backends/faults/fault_gate.h"

#include <cstring>
#include <utility>

#include "backends/faults/fault_match.h"

namespace faults {

using Quorvic::Lib::QuorvicException;

std::optional<hostnet::FaultRow> FaultGate::Take(const char* op, const std::string& object,
                                                 const std::string& arg) {
  if (!faults_) faults_ = host_.ReadFaults();
  for (auto it = faults_->begin(); it != faults_->end();) {
    if (!FaultMatches(*it, op, object, arg)) {
      ++it;
      continue;
    }
    if (!it->times) return *it;
    // Another run may have spent it meanwhile; then it does not fire here.
    bool mayFire = host_.SpendFault(it->id);
    if (mayFire && --*it->times > 0) return *it;
    hostnet::FaultRow fault = std::move(*it);
    it = faults_->erase(it);
    if (mayFire) return fault;
  }
  return std::nullopt;
}

void FaultGate::Check(const char* op, const std::string& object, const std::string& arg) {
  if (std::optional<hostnet::FaultRow> fault = Take(op, object, arg)) {
    throw QuorvicException(fault->message, op);
  }
}

void FaultGate::CheckValueCall(const char* op) {
  if (depth_ == 0 && MayFire()) Check(op, std::string(), std::string());
}

std::optional<int> FaultGate::KernelFault(const char* op) {
  if (!MayFire()) return std::nullopt;
  try {
    std::optional<hostnet::FaultRow> fault = Take(op, std::string(), std::string());
    if (!fault) return std::nullopt;
    return fault->status ? static_cast<int>(*fault->status) : 1;
  } catch (const QuorvicException&) {
    return std::nullopt;
  }
}

void FaultGate::RethrowWithDetail(const QuorvicException& e, const char* op) {
  if (e.GetDetailedMessage() != e.GetMessage()) throw e;
  throw QuorvicException(e.GetMessage(), op, e.GetKind());
}

}  // namespace faults
