#ifndef COMMANDS_RUN_CONTEXT_H_
#define COMMANDS_RUN_CONTEXT_H_

#include "commands/command_line.h"
#include "hostnet/virtual_switch.h"
#include "hostnet/virtual_switch_info.h"

// What the run phase hands its blocks. The run phase calls each block whose
// guard bits are in the mask, in a fixed order, with one shared context. A
// block looks up what it needs, calls its command, stores the command's
// status in result when its command reports one, and releases what it looked
// up. A QuorvicException that a block does not handle leaves it for the run
// phase's handler; a few checks end the run with status 1 themselves by
// throwing EndRun (commands/end_run.h), which no block catches.
// Each block is declared beside the command it calls.

struct RunContext {
  const CommandLine& line;
  Quorvic::Network::VirtualSwitchInfo& info;
  int result = 0;
};

using Block = void (*)(RunContext&);

// A block that acts on the standard switch named on the command line. The run
// phase looks the switch up (a lookup that finds none throws, for its own
// handler), calls the block with it and the line, stores the status it
// returns in result, and releases the switch.
using SwitchBlock = int (*)(Quorvic::Network::VirtualSwitch&, const CommandLine&);

#endif  // COMMANDS_RUN_CONTEXT_H_
