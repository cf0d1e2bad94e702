#ifndef BACKENDS_ROWS_RANGE_CHECKS_H_
#define BACKENDS_ROWS_RANGE_CHECKS_H_

#include <cstdint>
#include <string>

// The host's limits on values handed to it (row_limits.h gives them; the
// longest switch name is the store's own).
// Each throws QuorvicException naming the value and the accepted range.
namespace rows {

// Refuses an empty name and one of maxSize bytes or more.
void CheckSwitchName(const std::string& name, uint32_t maxSize);
// Refuses a name of kind ("port group", ...) that hostnet::IsPrintableName
// refuses.
void CheckPrintableName(const char* kind, const std::string& name);
void CheckNumPorts(uint32_t numPorts);
void CheckMtu(uint32_t mtu);
void CheckVlan(uint32_t vlan);
void CheckCdp(int32_t cdp);

}  // namespace rows

#endif  // BACKENDS_ROWS_RANGE_CHECKS_H_
