#ifndef COMMANDS_SWITCH_LIFECYCLE_H_
#define COMMANDS_SWITCH_LIFECYCLE_H_

#include <cstdint>
#include <string>

#include "commands/run_context.h"
#include "hostnet/virtual_switch_info.h"

// Adding, removing and checking for switches.

// Adds a standard switch with the host's default NIC capabilities, shaping,
// port security and teaming policies. Returns 0; on a QuorvicException
// reports "Failed to add vswitch: <name>, Error: <msg>" on standard error and
// returns 1.
int AddSwitch(Quorvic::Network::VirtualSwitchInfo& info, const std::string& name,
              uint32_t numPorts);

// Adds a DVSwitch whose UUID and switch id are uuidText (UUID text form) and
// whose DVS name is name. Returns 0; on a QuorvicException reports "Failed to
// add DVswitch: <name>, Error: <msg>" on standard error and returns 1.
int AddDistributedSwitch(Quorvic::Network::VirtualSwitchInfo& info, const std::string& uuidText,
                         const std::string& name, const std::string& implClass, uint32_t numPorts,
                         uint32_t version);

// Removes the standard switch or DVSwitch name. Returns 0; on a
// QuorvicException reports "Failed to remove vswitch: <name>, Error: <msg>" on
// standard error and returns 1.
int RemoveSwitch(Quorvic::Network::VirtualSwitchInfo& info, const std::string& name);

// Writes "1" on standard output when name is a DVSwitch or a running standard
// switch, else "0". A QuorvicException from asking about standard switches,
// or from the DVSwitch lookup other than "no such DVSwitch", reaches the
// caller, and then nothing is written.
void CheckSwitch(const std::string& name);

// Run-phase blocks (commands/run_context.h), on the switch named on the
// command line.
// -a: AddSwitch, or with -W AddDistributedSwitch: the UUID is -u's or one made
// from the name, and -I and -n each fill in the other (both left out: cswitch,
// version 6). Ends the run with status 1 (EndRun, commands/end_run.h) after
// one line on standard error when the implementation class cannot back a DVS
// of that version.
void AddSwitchBlock(RunContext& run);
// -d: RemoveSwitch, of a DVSwitch only with -W. A name that is not a valid
// switch, or not a standard switch while -W is absent, is refused: "Not a
// valid virtual switch or it is a DVSwitch: <name>" on standard error and
// the run ends with status 1 (EndRun).
void RemoveSwitchBlock(RunContext& run);
// -c: CheckSwitch.
void CheckSwitchBlock(RunContext& run);

#endif  // COMMANDS_SWITCH_LIFECYCLE_H_
