#ifndef BACKENDS_ROWS_NEW_SWITCHES_H_
#define BACKENDS_ROWS_NEW_SWITCHES_H_

#include <cstdint>
#include <string>

#include "backends/rows/host_rows.h"
#include "backends/rows/row_store.h"

// New switches: their values checked and the host's defaults for everything
// the caller does not set (a running switch, no system flag, no used ports,
// every port configured, MTU 1500; CDP listen for a standard switch). Each
// throws QuorvicException naming what is wrong: a bad name or port count, a
// name any switch has (a stopped one included), an uplink order that does not
// name pnics.
namespace rows {

StandardSwitchDoc NewStandardSwitch(RowStore& store, const std::string& name, uint32_t numPorts,
                                    TeamingRow teaming);
// The UUID text is both the DVSwitch's uuid and its switch id.
DVSwitchDoc NewDVSwitch(RowStore& store, const std::string& name, uint32_t numPorts,
                        const std::string& uuid, const std::string& implClass,
                        const std::string& dvsName, uint32_t version);

}  // namespace rows

#endif  // BACKENDS_ROWS_NEW_SWITCHES_H_
