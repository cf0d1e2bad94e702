#ifndef BACKENDS_SQLITE_HOST_ROWS_H_
#define BACKENDS_SQLITE_HOST_ROWS_H_

#include "backends/rows/host_rows.h"
#include "backends/rows/row_store.h"

// The simulated host keeps the rows every row store keeps.
namespace sqlite_host {

using rows::DVPortRow;
using rows::DVSwitchDoc;
using rows::FaultRow;
using rows::HistoryRow;
using rows::HostDocument;
using rows::HostRecords;
using rows::LagTimeoutRow;
using rows::PortGroupRow;
using rows::RowKind;
using rows::RowRef;
using rows::StandardSwitchDoc;
using rows::SwitchKey;
using rows::SwitchKind;
using rows::SwitchRow;
using rows::TeamingRow;
using rows::UplinkTimeoutRow;

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_HOST_ROWS_H_
