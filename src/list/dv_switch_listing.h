#ifndef LIST_DV_SWITCH_LISTING_H_
#define LIST_DV_SWITCH_LISTING_H_

#include "hostnet/dv_switch.h"

// Writes the tables of one DVSwitch on standard output: the switch table
// (header, row, blank line), then the DVPort table (header, one row per DVPort,
// blank line). The table shows the DVS name; failure lines name the switch by
// its switch name (GetName), which may differ. A DVPort row shows the port id
// and whether the port is in use, and its client only when it has exactly one.
//
// A QuorvicException while one DVPort is handled is reported on standard error
// ("Listing failed for DVPort: ...") and the next DVPort follows; one anywhere
// else ends the switch's listing with "Listing failed for DVSwitch: ...". Rows
// already begun stay on standard output without a line end. A QuorvicException
// while fetching the switch's name for its own failure line, and every other
// exception type, leave the function.
void ListDVSwitch(const Quorvic::Network::DVSwitch& dvswitch);

#endif  // LIST_DV_SWITCH_LISTING_H_
