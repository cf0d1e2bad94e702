#ifndef COMMANDS_ENS_H_
#define COMMANDS_ENS_H_

#include <string>

#include "commands/run_context.h"
#include "hostnet/portset.h"

// Moving a switch between the ordinary network stack and the fast path (ENS),
// and reassociating its uplinks. None of these commands prints anything on
// success; a QuorvicException from the host is left to the caller.

// Sets the kernel's ENS activation node, then activates ENS on portset with
// the given flags. Ends the run with status 1 (EndRun, commands/end_run.h)
// when the kernel node cannot be set; ENS is not activated then.
void ActivateEnsCommand(Quorvic::Network::Portset& portset, bool interrupt, bool fastSwitch);

void DeactivateEnsCommand(Quorvic::Network::Portset& portset);

// Reassociates the uplinks of the running switch vswitchName, in its current
// ENS state. With force, first sends the device manager SIGHUP (see
// HangUpDeviceManager, which ends the run when it cannot) and then forces
// the reassociation; the signal goes out even when the switch turns out not
// to exist.
void ReassociateEnsCommand(const std::string& vswitchName, bool force);

// The ens-ready step (-Z), which runs before the run phase: sets the kernel's
// ENS activation node. Ends the run with status 1 (EndRun) after one line on
// standard error when the kernel interface fails.
void SetEnsActivateNode();

// Run-phase blocks (commands/run_context.h), on the switch named on the
// command line.
// -y: ActivateEnsCommand on its portset, with -i and -F; the portset lookup
// throws when the host has none of that name.
void ActivateEnsBlock(RunContext& run);
// -Y: DeactivateEnsCommand, likewise.
void DeactivateEnsBlock(RunContext& run);
// -z, -f: ReassociateEnsCommand, forced with -f.
void ReassociateEnsBlock(RunContext& run);

#endif  // COMMANDS_ENS_H_
