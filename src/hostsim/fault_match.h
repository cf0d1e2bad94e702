#ifndef HOSTSIM_FAULT_MATCH_H_
#define HOSTSIM_FAULT_MATCH_H_

#include <string>

#include "hostsim/host_rows.h"

namespace hostsim {

// True when fault applies to a call of cls.method (cls empty for a kernel
// function) on the object named object, with the name argument arg (either
// may be empty): its op is "Class.Method" or "Method", and its target is
// absent or names the object or the argument.
bool FaultMatches(const FaultRow& fault, const std::string& cls, const std::string& method,
                  const std::string& object, const std::string& arg);

}  // namespace hostsim

#endif  // HOSTSIM_FAULT_MATCH_H_
