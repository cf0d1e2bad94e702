#include "hostsim/fault_match.h"

namespace hostsim {

bool FaultMatches(const FaultRow& fault, const std::string& cls, const std::string& method,
                  const std::string& object, const std::string& arg) {
  bool opMatches = fault.op == method || (!cls.empty() && fault.op == cls + "." + method);
  if (!opMatches) return false;
  if (!fault.target) return true;
  const std::string& target = *fault.target;
  return (!object.empty() && target == object) || (!arg.empty() && target == arg);
}

}  // namespace hostsim
