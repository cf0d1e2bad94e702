#ifndef BACKENDS_ROWS_HOST_ROWS_H_
#define BACKENDS_ROWS_HOST_ROWS_H_

#include "hostnet/history_row.h"
#include "hostnet/host_document.h"

// The host document's rows are also the rows a row store keeps: a row's id is
// the store's own key for it, good for as long as the store lives.
namespace rows {

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

}  // namespace rows

#endif  // BACKENDS_ROWS_HOST_ROWS_H_
