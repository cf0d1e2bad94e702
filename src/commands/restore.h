#ifndef COMMANDS_RESTORE_H_
#define COMMANDS_RESTORE_H_

#include "commands/run_context.h"
#include "hostnet/virtual_switch_info.h"

// Bringing the host's running switches back in line with its stored
// configuration. Both print nothing on success.

// Restores the DVSwitches of the default DVS cache file, then refreshes info
// and restores the standard switches. The first step is best effort: its
// QuorvicException is reported by its bare message on standard error and the
// restore goes on. A QuorvicException from the later steps is left to the
// caller.
void RestoreCommand(Quorvic::Network::VirtualSwitchInfo& info);

// Links again the stored uplinks of every standard switch other than the
// system ones, in host order. A QuorvicException stops at the failing switch
// and is left to the caller; the switches before it stay restored.
void RestoreUplinksCommand(Quorvic::Network::VirtualSwitchInfo& info);

// Run-phase blocks (commands/run_context.h).
// -r: RestoreCommand.
void RestoreBlock(RunContext& run);
// -R: RestoreUplinksCommand.
void RestoreUplinksBlock(RunContext& run);

#endif  // COMMANDS_RESTORE_H_
