#ifndef COMMANDS_PORT_GROUPS_H_
#define COMMANDS_PORT_GROUPS_H_

#include <cstdint>
#include <string>

#include "commands/run_context.h"
#include "hostnet/virtual_switch.h"

// Port groups of a standard switch and their VLAN IDs.

// -A, -D and -v are SwitchBlocks (commands/run_context.h): the run phase
// hands each the standard switch named on the command line, and the block
// takes its arguments from the line.

// -A: adds port group name (line.portGroupName) to vswitch. Returns 0; on a
// QuorvicException reports "Failed to add portgroup: <name> to vswitch:
// <switch>, Error: <msg>" on standard error and returns 1.
int CreatePortGroup(Quorvic::Network::VirtualSwitch& vswitch, const CommandLine& line);

// -D: removes port group name (line.portGroupName) from vswitch. Returns 0;
// on a QuorvicException reports "Failed to remove portgroup: <name>, Error:
// <msg>" on standard error and returns 1.
int DeletePortGroup(Quorvic::Network::VirtualSwitch& vswitch, const CommandLine& line);

// -v: sets the VLAN ID vlanId (line.vlanId, its low 16 bits) of port group
// name (line.portGroupName, from -p) of vswitch, or of every port group of
// the switch when name is ALL_PORTGROUPS. A port group that refuses is
// reported on standard error as "Set vlan id to <vlanId> failed for <port
// group>, Error: <msg>" and the others are still set. A name that matches no
// port group is reported as "No such portgroup: <name> under vswitch:
// <switch>". Returns 1 when anything was reported, else 0 (also for ALL on a
// switch without port groups). A QuorvicException from listing the port
// groups or reading their names reaches the caller.
int SetPortGroupVlan(Quorvic::Network::VirtualSwitch& vswitch, const CommandLine& line);

// Writes "1" on standard output when some port group of the host is named
// name, else "0". A QuorvicException from the host reaches the caller.
void CheckPortGroup(const std::string& name);

// Run-phase block (commands/run_context.h).
// -C: CheckPortGroup.
void CheckPortGroupBlock(RunContext& run);

#endif  // COMMANDS_PORT_GROUPS_H_
