#ifndef BACKENDS_SQLITE_RANGE_CHECKS_H_
#define BACKENDS_SQLITE_RANGE_CHECKS_H_

#include <cstdint>
#include <string>

// The host's limits on values handed to it (host_constants.h gives them).
// Each throws QuorvicException naming the value and the accepted range.
namespace sqlite_host {

void CheckSwitchName(const std::string& name);
// Refuses a name of kind ("port group", ...) that hostnet::IsPrintableName
// refuses.
void CheckPrintableName(const char* kind, const std::string& name);
void CheckNumPorts(uint32_t numPorts);
void CheckMtu(uint32_t mtu);
void CheckVlan(uint32_t vlan);
void CheckCdp(int32_t cdp);

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_RANGE_CHECKS_H_
