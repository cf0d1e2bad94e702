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

// With status "print", writes the name of the switch's CDP status on standard
// output (a value without a name is written as its number); otherwise sets the
// status the host parses from the text. Returns 0; on a QuorvicException
// reports "Failed to set CDP status on: <switch>, Error: <msg>" on standard
// error and returns 1.
int SetOrPrintCdpStatus(Quorvic::Network::VirtualSwitch& vswitch, std::string status);

// Sets the max active uplink count of the switch's teaming policy, leaving the
// uplink order alone. Returns 0; on a QuorvicException reports "Failed to set
// max active: <switch>, Error: <msg>" on standard error and returns 1.
int SetSwitchMaxActive(Quorvic::Network::VirtualSwitch& vswitch, int32_t maxActive);

// Writes the max active uplink count of the switch's teaming policy on
// standard output. Returns 0; on a QuorvicException reports "Failed to get max
// active: <switch>, Error: <msg>" on standard error and returns 1.
int PrintSwitchMaxActive(Quorvic::Network::VirtualSwitch& vswitch);

// Sets the MTU of the standard switch name or, when there is none, of the
// DVSwitch name. Prints nothing. A QuorvicException from the DVSwitch lookup
// or from setting the MTU reaches the caller.
void SetSwitchMtu(const std::string& name, uint16_t mtu);

// Run-phase blocks (commands/run_context.h), on the switch named on the
// command line. All but -m look up a standard switch, which throws when the
// host has none of that name.
// -B, -b: SetOrPrintCdpStatus.
void CdpBlock(RunContext& run);
// -X: SetSwitchMaxActive.
void SetMaxActiveBlock(RunContext& run);
// -x: PrintSwitchMaxActive.
void GetMaxActiveBlock(RunContext& run);
// -m: SetSwitchMtu.
void MtuBlock(RunContext& run);

#endif  // COMMANDS_SWITCH_SETTINGS_H_
