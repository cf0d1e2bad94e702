#include "list/dv_switch_listing.h"

#include <memory>
#include <string>
#include <vector>

#include "hostnet/dv_port.h"
#include "hostnet/quorvic_exception.h"
#include "list/listing_failure.h"
#include "list/dv_switch_columns.h"
#include "list/table.h"

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::DVPort;
using Quorvic::Network::DVPortParam;
using Quorvic::Network::DVSwitch;

namespace {

const DVSwitchColumn kDVSwitchTable[] = {
    DVSwitchNameColumn("DVS Name"),
    Gap<const DVSwitch>(),
    kDVSwitchNumPortsColumn,
    kDVSwitchUsedPortsColumn,
    {"Configured Ports", 18,
     [](Cell cell, const DVSwitch& dvs) { cell(dvs.GetNumConfiguredPorts()); }},
    {"MTU", 8, [](Cell cell, const DVSwitch& dvs) { cell(dvs.GetMtu()); }},
    kDVSwitchUplinksColumn,
};

struct DVPortRow {
  const DVPort& port;
  // A copy taken before the row's first cell, so a failure to get it writes
  // nothing of the row.
  DVPortParam param;
  // Filled by the In Use cell, read by the Client cell.
  std::vector<std::string> clients;
};

// No gap between the id and In Use: a long id runs straight into it.
const Column<DVPortRow> kDVPortTable[] = {
    Gap<DVPortRow>(),
    {"DVPort ID", 40, [](Cell cell, DVPortRow& row) { cell(row.param.portId); }},
    {"In Use", 12, [](Cell cell, DVPortRow& row) { cell(row.port.IsInUse(row.clients)); }},
    // With no client or several, the cell is left out altogether.
    {"Client", 12,
     [](Cell cell, DVPortRow& row) {
       if (row.clients.size() == 1) cell(row.clients.front());
     }},
};

}  // namespace

void ListDVSwitch(const DVSwitch& dvswitch) {
  // Outside the guarded region, so the ports are released however it ends.
  std::vector<std::unique_ptr<DVPort>> ports;
  try {
    WriteHeader(kDVSwitchTable);
    WriteRow(kDVSwitchTable, dvswitch);
    WriteBlankLine();

    WriteHeader(kDVPortTable);
    ports = dvswitch.GetDVPorts();
    ListChildren(ports, "DVPort", dvswitch, "DVSwitch", [](const DVPort& port) {
      DVPortRow row{port, port.GetParam(), {}};
      WriteRow(kDVPortTable, row);
    });
    WriteBlankLine();
  } catch (const QuorvicException& e) {
    ReportListingFailure("DVSwitch", dvswitch.GetName(), e);
  }
}
