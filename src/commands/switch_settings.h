#ifndef COMMANDS_SWITCH_SETTINGS_H_
#define COMMANDS_SWITCH_SETTINGS_H_

#include <array>
#include <cstdint>
#include <string>

#include "commands/run_context.h"
#include "hostnet/virtual_switch.h"

// The CDP status, max active uplinks and MTU of a switch.

// The name of each CDP status value, indexed by the value.
extern const std::array<std::string, 4> CdpStatusNames;

// -B, -b, -X and -x are SwitchBlocks (commands/run_context.h): the run
// phase hands each the standard switch named on the command line, and the
// block takes its arguments from the line.

// -B, -b: with status (line.cdpStatus) "print", writes the name of the
// switch's CDP status on standard output (a value without a name is written
// as its number); otherwise sets the status the host parses from the text.
// Returns 0; on a QuorvicException reports "Failed to set CDP status on:
// <switch>, Error: <msg>" on standard error and returns 1.
int SetOrPrintCdpStatus(Quorvic::Network::VirtualSwitch& vswitch, const CommandLine& line);

// -X: sets the max active uplink count of the switch's teaming policy to
// line.maxActive, leaving the uplink order alone. Returns 0; on a
// QuorvicException reports "Failed to set max active: <switch>, Error: <msg>"
// on standard error and returns 1.
int SetSwitchMaxActive(Quorvic::Network::VirtualSwitch& vswitch, const CommandLine& line);

// -x: writes the max active uplink count of the switch's teaming policy on
// standard output. Returns 0; on a QuorvicException reports "Failed to get max
// active: <switch>, Error: <msg>" on standard error and returns 1.
int PrintSwitchMaxActive(Quorvic::Network::VirtualSwitch& vswitch, const CommandLine& line);

// Sets the MTU of the standard switch name or, when there is none, of the
// DVSwitch name. Prints nothing. A QuorvicException from either lookup (only
// "no such standard switch" goes on to the DVSwitch) or from setting the MTU
// reaches the caller.
void SetSwitchMtu(const std::string& name, uint16_t mtu);

// Run-phase block (commands/run_context.h).
// -m: SetSwitchMtu on the switch named on the command line.
void MtuBlock(RunContext& run);

#endif  // COMMANDS_SWITCH_SETTINGS_H_
