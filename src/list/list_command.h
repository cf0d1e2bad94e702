#ifndef LIST_LIST_COMMAND_H_
#define LIST_LIST_COMMAND_H_

#include "commands/run_context.h"
#include "hostnet/virtual_switch_info.h"

// Lists the host's switches on standard output: every standard switch (the
// system switches when system is true, the others when not); then, unless
// system is true, every DVSwitch and after them every opaque switch. Each kind
// is asked for only once all switches of the kinds before it are written.
// Returns 0 when at least one switch was handed to a listing, whether or not
// its listing succeeded, and 1 when none was. A QuorvicException from asking
// for the switches leaves the function; what was written stays written.
int ListSwitches(Quorvic::Network::VirtualSwitchInfo& info, bool system);

// Run-phase block (commands/run_context.h) of -l: ListSwitches, of the system
// switches with -S; result is its status.
void ListBlock(RunContext& run);

#endif  // LIST_LIST_COMMAND_H_
