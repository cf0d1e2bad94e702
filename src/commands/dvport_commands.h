#ifndef COMMANDS_DVPORT_COMMANDS_H_
#define COMMANDS_DVPORT_COMMANDS_H_

#include <string>

#include "commands/run_context.h"
#include "hostnet/dv_switch.h"

// Commands on one DVPort of a DVSwitch, the port named by its id (dvPortId).
// Both end the run with status 1 (EndRun, commands/end_run.h), after writing
// "Invalid DVPort params " and the id to standard error, when the host does
// not know the DVPort; no other call is made then. A QuorvicException from the
// host is left to the caller, and nothing done before it is undone.

// Attaches uplink to the DVPort (add true) or detaches it from the switch's
// DVPorts (add false). A DVPort without a connection id first gets one from
// the clock, in both cases; only the attach passes the DVPort's param, with
// that connection id, to the switch.
void DVPortUplinkCommand(Quorvic::Network::DVSwitch& dvswitch, const std::string& dvPortId,
                         const std::string& uplink, bool add);

// Makes the kernel raise the DVPort's test observation event.
void TestSyncZetCommand(Quorvic::Network::DVSwitch& dvswitch, const std::string& dvPortId);

// Run-phase blocks (commands/run_context.h), on -V's DVPort of the DVSwitch
// named on the command line, whose lookup throws when the host has none of
// that name.
// -P, -Q: DVPortUplinkCommand, attaching for -P, detaching for -Q.
void DVPortUplinkBlock(RunContext& run);
// -T: TestSyncZetCommand.
void TestSyncZetBlock(RunContext& run);

#endif  // COMMANDS_DVPORT_COMMANDS_H_
