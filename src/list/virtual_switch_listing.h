#ifndef LIST_VIRTUAL_SWITCH_LISTING_H_
#define LIST_VIRTUAL_SWITCH_LISTING_H_

#include "hostnet/virtual_switch.h"

// Writes the tables of one standard switch on standard output: the switch
// table (header, row, blank line), then the port group table (header, one row
// per port group, blank line). The switch's Uplinks cell is its teaming
// policy's uplink order; a port group's is its own policy's order, and empty
// unless the policy carries an uplink order of its own.
//
// A QuorvicException while one port group is handled is reported on standard
// error ("Listing failed for portgroup: ...") and the next port group follows;
// one anywhere else ends the switch's listing with "Listing failed for
// vswitch: ...". Rows already begun stay on standard output without a line
// end. A QuorvicException while fetching the switch's name for its own failure
// line, and every other exception type, leave the function.
void ListVirtualSwitch(const Quorvic::Network::VirtualSwitch& vswitch);

#endif  // LIST_VIRTUAL_SWITCH_LISTING_H_
