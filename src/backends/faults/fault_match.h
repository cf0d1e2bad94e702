#ifndef BACKENDS_FAULTS_FAULT_MATCH_H_
#define BACKENDS_FAULTS_FAULT_MATCH_H_

#include <string>

#include "hostnet/host_document.h"

namespace faults {

// True when fault applies to a call of op ("Class.Method", or a kernel
// function's name) on the object named object, with the name argument arg
// (either may be empty): the fault's op is op itself or op's method alone,
// and its target is absent or names the object or the argument.
bool FaultMatches(const hostnet::FaultRow& fault, const std::string& op, const std::string& object,
                  const std::string& arg);

}  // namespace faults

#endif  // BACKENDS_FAULTS_FAULT_MATCH_H_
