#ifndef COMMANDS_UPLINKS_H_
#define COMMANDS_UPLINKS_H_

#include "commands/run_context.h"
#include "hostnet/virtual_switch.h"

// Linking and unlinking pnics as uplinks of a standard switch. Both keep the
// switch's own teaming policy in step (uplink_order.h); port group policies
// are left as they are.

// Both are SwitchBlocks (commands/run_context.h): the run phase hands each
// the standard switch named on the command line, and pnic is line.uplinkName.

// -L: links pnic to vswitch and makes it the last active uplink of the switch's
// order (the policy is written only when that changed it). Returns 0. On a
// QuorvicException while doing so, writes the policy read before the command
// back (unless the host gave no answer), reports "Failed to add uplink <pnic>
// to vswitch <switch>, Error: <msg>" on standard error and returns 1. A
// QuorvicException from that first read or from writing the policy back
// reaches the caller.
int LinkPnic(Quorvic::Network::VirtualSwitch& vswitch, const CommandLine& line);

// -U: takes pnic out of the switch's order (writing the policy when that changed
// it) and unlinks it from the running switch and its stored configuration.
// When any of that throws QuorvicException, reports "Removing from config file
// only" on standard error and removes pnic from the stored configuration
// alone; a QuorvicException from that removal, or one that says the host
// gave no answer, reaches the caller. Returns 0.
int UnlinkPnic(Quorvic::Network::VirtualSwitch& vswitch, const CommandLine& line);

#endif  // COMMANDS_UPLINKS_H_
