#include "commands/timeouts.h"

#include <vector>

#include "output/output.h"

using Quorvic::Network::LagTimeoutConfig;
using Quorvic::Network::UplinkTimeoutConfig;
using Quorvic::Network::VirtualSwitchInfo;

void PrintUplinkTimeouts(VirtualSwitchInfo& info, const std::string& portset, uint32_t lagId,
                         const std::string& uplink) {
  for (const UplinkTimeoutConfig& record : info.GetUplinkTimeoutConfig(portset, lagId, uplink)) {
    // Widened: a uint8_t would print as a character.
    OutputLine() << record.portset << ',' << record.uplink << ',' << record.lagId << ','
                 << static_cast<unsigned>(record.timeout);
  }
}

void PrintLagTimeouts(VirtualSwitchInfo& info, const std::string& portset, uint32_t lagId) {
  for (const LagTimeoutConfig& record : info.GetLagTimeoutConfig(portset, lagId)) {
    OutputLine() << record.portset << ",," << record.lagId << ','
                 << static_cast<unsigned>(record.timeout);
  }
}

void LoadUplinkTimeoutBlock(RunContext& run) {
  run.info.LoadUplinkTimeoutConfig(run.line.portsetName, run.line.lagId, run.line.timeoutUplink);
}

void GetUplinkTimeoutBlock(RunContext& run) {
  PrintUplinkTimeouts(run.info, run.line.portsetName, run.line.lagId, run.line.timeoutUplink);
}

void LoadLagTimeoutBlock(RunContext& run) {
  run.info.LoadLagTimeoutConfig(run.line.portsetName, run.line.lagId);
}

void GetLagTimeoutBlock(RunContext& run) {
  PrintLagTimeouts(run.info, run.line.portsetName, run.line.lagId);
}
