#ifndef LIST_OPAQUE_SWITCH_LISTING_H_
#define LIST_OPAQUE_SWITCH_LISTING_H_

#include "hostnet/dv_switch.h"

// Writes one opaque switch on standard output: its table's header, its row
// (DVS name, port counts, uplinks) and a blank line. There is no second table.
//
// A QuorvicException on the way is reported on standard error ("Listing failed
// for opaque switch: " with the switch name from GetName) and ends the
// listing; a row already begun stays on standard output without a line end. A
// QuorvicException while fetching that name, and every other exception type,
// leave the function.
void ListOpaqueSwitch(const Quorvic::Network::DVSwitch& opaqueSwitch);

#endif  // LIST_OPAQUE_SWITCH_LISTING_H_
