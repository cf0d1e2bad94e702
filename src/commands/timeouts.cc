#include "commands/timeouts.h"

#include <vector>

#include "commands/blocks.h"
#include "commands/output.h"

using Quorvic::Network::LagTimeoutConfig;
using Quorvic::Network::UplinkTimeoutConfig;
using Quorvic::Network::VirtualSwitchInfo;

// The timeout is a uint8_t: widen it so that it prints as a number, not a character.

std::string FormatUplinkTimeout(const UplinkTimeoutConfig& record) {
  return record.portset + "," + record.uplink + "," + std::to_string(record.lagId) + "," +
         std::to_string(static_cast<unsigned>(record.timeout));
}

std::string FormatLagTimeout(const LagTimeoutConfig& record) {
  return record.portset + ",," + std::to_string(record.lagId) + "," +
         std::to_string(static_cast<unsigned>(record.timeout));
}

void PrintUplinkTimeouts(VirtualSwitchInfo& info, const std::string& portset, uint32_t lagId,
                         const std::string& uplink) {
  for (const UplinkTimeoutConfig& record : info.GetUplinkTimeoutConfig(portset, lagId, uplink)) {
    OutputLine() << FormatUplinkTimeout(record);
  }
}

void PrintLagTimeouts(VirtualSwitchInfo& info, const std::string& portset, uint32_t lagId) {
  for (const LagTimeoutConfig& record : info.GetLagTimeoutConfig(portset, lagId)) {
    OutputLine() << FormatLagTimeout(record);
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
