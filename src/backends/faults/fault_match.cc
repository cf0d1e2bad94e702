#include "backends/faults/fault_match.h"

namespace faults {

bool FaultMatches(const hostnet::FaultRow& fault, const std::string& op, const std::string& object,
                  const std::string& arg) {
  std::string::size_type dot = op.find('.');
  bool opMatches = fault.op == op || (dot != std::string::npos && fault.op == op.substr(dot + 1));
  if (!opMatches) return false;
  if (!fault.target) return true;
  const std::string& target = *fault.target;
  return (!object.empty() && target == object) || (!arg.empty() && target == arg);
}

}  // namespace faults
