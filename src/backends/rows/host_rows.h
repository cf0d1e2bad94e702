#ifndef BACKENDS_ROWS_HOST_ROWS_H_
#define BACKENDS_ROWS_HOST_ROWS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "hostnet/history_row.h"
#include "hostnet/host_document.h"

// The host document's rows are also the rows a row store keeps.
namespace rows {

using hostnet::DVPortBinding;
using hostnet::DVPortRow;
using hostnet::DVSwitchDoc;
using hostnet::EnsState;
using hostnet::FaultRow;
using hostnet::HistoryRow;
using hostnet::HostDocument;
using hostnet::LacpRow;
using hostnet::LagTimeoutRow;
using hostnet::PortGroupRow;
using hostnet::RowKind;
using hostnet::RowRef;
using hostnet::StagedRow;
using hostnet::StandardSwitchDoc;
using hostnet::SwitchKind;
using hostnet::SwitchRow;
using hostnet::TeamingRow;
using hostnet::UplinkTimeoutRow;

// The host's pnics; and, where a rule chose them among more network
// devices, the others and the rule, for a name refused as not a pnic.
struct PnicSet {
  std::vector<std::string> names;
  std::vector<std::string> others;
  std::string rule;
};

// What the host keeps beside its switches.
struct HostRecords {
  std::vector<UplinkTimeoutRow> uplinkTimeouts;
  std::vector<LagTimeoutRow> lagTimeouts;
  uint32_t ensActivateNode = 0;
  // A fault's id is the host's key for it; 0 in one not written yet.
  std::vector<FaultRow> faults;
};

// A row another writer left in a shared store that a read could not make
// sense of, and so skipped.
struct UnreadableRow {
  std::string dvswitch;  // the DVSwitch that it is, or that it belongs to
  std::string dvport;    // the DVPort ID; empty for the DVSwitch itself
  std::string problem;   // what is wrong, naming the row and its key
};

}  // namespace rows

#endif  // BACKENDS_ROWS_HOST_ROWS_H_
