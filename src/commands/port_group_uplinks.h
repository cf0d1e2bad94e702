#ifndef COMMANDS_PORT_GROUP_UPLINKS_H_
#define COMMANDS_PORT_GROUP_UPLINKS_H_

#include <string>

#include "commands/run_context.h"

// The uplink order of a port group's own teaming policy.

enum class UplinkEdit { kAdd, kRemove };

// Adds uplink to, or removes it from, the own uplink order of port group
// portGroupName of switch vswitchName (uplink_order.h), then writes the port
// group's policy back, changed or not. An uplink to add must be linked to the
// switch; one to remove need not be.
// Ends the run with status 1 (EndRun, commands/end_run.h) after one line on
// standard error when:
//   the host has no such port group: "Unknown portgroup <pg>";
//   the switch, its uplinks or its port groups cannot be read: the message;
//   the port group is not on that switch:
//     "Portgroup (<pg>) does not exist on switch: <switch>";
//   the uplink to add is not linked to the switch:
//     "Uplink (<uplink>) does not exist on the switch: <switch>".
// Any other QuorvicException reaches the caller.
void EditPortGroupUplinks(const std::string& vswitchName, const std::string& portGroupName,
                          const std::string& uplinkName, UplinkEdit edit);

// Run-phase block (commands/run_context.h): EditPortGroupUplinks on -p's port
// group of the switch named on the command line, adding for -M, removing for -N.
void PortGroupUplinkBlock(RunContext& run);

#endif  // COMMANDS_PORT_GROUP_UPLINKS_H_
