#include "list/opaque_switch_listing.h"

#include "hostnet/quorvic_exception.h"
#include "list/listing_failure.h"
#include "list/dv_switch_columns.h"
#include "list/table.h"

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::DVSwitch;

namespace {

// The DVSwitch table without Configured Ports and MTU.
const DVSwitchColumn kOpaqueSwitchTable[] = {
    DVSwitchNameColumn("Switch Name"),
    Gap<const DVSwitch>(),
    kDVSwitchNumPortsColumn,
    kDVSwitchUsedPortsColumn,
    kDVSwitchUplinksColumn,
};

}  // namespace

void ListOpaqueSwitch(const DVSwitch& opaqueSwitch) {
  try {
    WriteHeader(kOpaqueSwitchTable);
    WriteRow(kOpaqueSwitchTable, opaqueSwitch);
    WriteBlankLine();
  } catch (const QuorvicException& e) {
    ReportListingFailure("opaque switch", opaqueSwitch.GetName(), e);
  }
}
