#ifndef COMMANDS_BLOCKS_H_
#define COMMANDS_BLOCKS_H_

#include "commands/command_line.h"
#include "hostnet/virtual_switch_info.h"

// The blocks of the run phase. The run phase calls each block whose guard
// bits are in the mask, in a fixed order, with one shared context. A block
// looks up what it needs, calls its command, stores the command's status in
// result when its command reports one, and releases what it looked up.
// A QuorvicException that a block does not handle leaves it for the run
// phase's handler; a few checks end the process with status 1 themselves.

struct RunContext {
  const CommandLine& line;
  Quorvic::Network::VirtualSwitchInfo& info;
  int result = 0;
};

using Block = void (*)(RunContext&);

// Switch lifecycle (-a, -d, -c).
void AddSwitchBlock(RunContext& run);
void RemoveSwitchBlock(RunContext& run);
void CheckSwitchBlock(RunContext& run);
// Port groups (-A, -D, -C, -v).
void AddPortGroupBlock(RunContext& run);
void DeletePortGroupBlock(RunContext& run);
void CheckPortGroupBlock(RunContext& run);
void SetVlanBlock(RunContext& run);
// Uplinks (-L, -U) and port group uplink order (-M, -N).
void LinkBlock(RunContext& run);
void UnlinkBlock(RunContext& run);
void PortGroupUplinkBlock(RunContext& run);
// Switch settings (-B/-b, -X, -x, -m).
void CdpBlock(RunContext& run);
void SetMaxActiveBlock(RunContext& run);
void GetMaxActiveBlock(RunContext& run);
void MtuBlock(RunContext& run);
// DVPorts (-P, -Q, -T).
void DVPortUplinkBlock(RunContext& run);
void TestSyncZetBlock(RunContext& run);
// Restore (-r, -R).
void RestoreBlock(RunContext& run);
void RestoreUplinksBlock(RunContext& run);
// ENS (-y, -Y, -z/-f). The ens-ready step (-Z) runs before the run phase.
void ActivateEnsBlock(RunContext& run);
void DeactivateEnsBlock(RunContext& run);
void ReassociateEnsBlock(RunContext& run);
// Timeouts (-O, -o, -G, -g).
void LoadUplinkTimeoutBlock(RunContext& run);
void GetUplinkTimeoutBlock(RunContext& run);
void LoadLagTimeoutBlock(RunContext& run);
void GetLagTimeoutBlock(RunContext& run);
// Listing (-l, -S); lives in the listing library.
void ListBlock(RunContext& run);

// The ens-ready step (-Z): sets the kernel's ENS activation node; ends the
// process with status 1 when the kernel interface fails.
void SetEnsActivateNode();

#endif  // COMMANDS_BLOCKS_H_
