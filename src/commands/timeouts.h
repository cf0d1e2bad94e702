#ifndef COMMANDS_TIMEOUTS_H_
#define COMMANDS_TIMEOUTS_H_

#include <cstdint>
#include <string>

#include "commands/run_context.h"
#include "hostnet/virtual_switch_info.h"

// Uplink and LAG timeout records, selected by portset (empty: any), LAG id
// (0: any) and, for uplink records, uplink (empty: any). Each record prints as
// one line of four comma-separated columns: portset, uplink (empty for a LAG),
// LAG id and timeout, both in decimal ("ps0,up1,5,1", "ps0,,5,0"). A
// QuorvicException from the host is left to the caller; nothing is printed
// then.

// Writes the selected uplink timeout records to standard output, in host order.
void PrintUplinkTimeouts(Quorvic::Network::VirtualSwitchInfo& info, const std::string& portset,
                         uint32_t lagId, const std::string& uplink);
// Writes the selected LAG timeout records to standard output, in host order.
void PrintLagTimeouts(Quorvic::Network::VirtualSwitchInfo& info, const std::string& portset,
                      uint32_t lagId);

// Run-phase blocks (commands/run_context.h), selecting records by -s, -j and
// (uplink records) -k.
// -O: loads the selected uplink timeout configuration into the host.
void LoadUplinkTimeoutBlock(RunContext& run);
// -o: PrintUplinkTimeouts.
void GetUplinkTimeoutBlock(RunContext& run);
// -G: loads the selected LAG timeout configuration into the host.
void LoadLagTimeoutBlock(RunContext& run);
// -g: PrintLagTimeouts.
void GetLagTimeoutBlock(RunContext& run);

#endif  // COMMANDS_TIMEOUTS_H_
