#ifndef BACKENDS_SQLITE_HOST_ROWS_H_
#define BACKENDS_SQLITE_HOST_ROWS_H_

#include "hostnet/history_row.h"
#include "hostnet/host_document.h"

// The host document's rows are also the rows this backend stores: a row's id
// is its key in the database.
namespace sqlite_host {

using hostnet::DVPortRow;
using hostnet::DVSwitchDoc;
using hostnet::EnsState;
using hostnet::FaultRow;
using hostnet::HistoryRow;
using hostnet::HostDocument;
using hostnet::LagTimeoutRow;
using hostnet::PortGroupRow;
using hostnet::StandardSwitchDoc;
using hostnet::SwitchKind;
using hostnet::SwitchRow;
using hostnet::TeamingRow;
using hostnet::UplinkTimeoutRow;

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_HOST_ROWS_H_
