#ifndef COMMANDS_STANDARD_SWITCH_LOOKUP_H_
#define COMMANDS_STANDARD_SWITCH_LOOKUP_H_

#include <memory>

#include "commands/command_line.h"
#include "hostnet/network_factory.h"
#include "hostnet/virtual_switch.h"

// The standard switch named on the command line, looked up with the default
// get type. The caller owns it and releases it when its step ends.
// Throws Quorvic::Lib::QuorvicException when the host has no running standard
// switch of that name; blocks let that reach the run phase's handler.
inline std::unique_ptr<Quorvic::Network::VirtualSwitch> LookUpStandardSwitch(
    const CommandLine& line) {
  return Quorvic::Network::NetworkFactory::GetVirtualSwitchById(line.vswitchName, 0);
}

#endif  // COMMANDS_STANDARD_SWITCH_LOOKUP_H_
