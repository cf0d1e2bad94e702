#include "list/opaque_switch_listing.h"

#include "hostnet/quorvic_exception.h"
#include "list/listing_failure.h"
#include "list/table.h"
#include "list/vector_to_string.h"

using Quorvic::Lib::QuorvicException;
using Quorvic::Misc::VectorToString;
using Quorvic::Network::DVSwitch;

namespace {

// Like the other switch tables but without Configured Ports and MTU.
const Column<const DVSwitch> kOpaqueSwitchTable[] = {
    {"Switch Name", 15, [](Cell cell, const DVSwitch& sw) { cell(sw.GetDVSName()); }},
    Gap<const DVSwitch>(),
    {"Num Ports", 12, [](Cell cell, const DVSwitch& sw) { cell(sw.GetNumPorts()); }},
    {"Used Ports", 12, [](Cell cell, const DVSwitch& sw) { cell(sw.GetNumUsedPorts()); }},
    {"Uplinks", 10,
     [](Cell cell, const DVSwitch& sw) { cell(VectorToString(sw.GetUplinks(), ",")); }},
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
