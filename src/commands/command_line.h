#ifndef COMMANDS_COMMAND_LINE_H_
#define COMMANDS_COMMAND_LINE_H_

#include <cstdint>
#include <optional>
#include <string>

#include "hostnet/portset.h"

// The command line as the front end accepted it: which options were given
// (CommandMask) and the values they carry. Filled once, read-only afterwards.

using CommandMask = uint64_t;

namespace Bit {
constexpr CommandMask kAdd = 0x1;
constexpr CommandMask kDelete = 0x2;
constexpr CommandMask kList = 0x4;
constexpr CommandMask kLink = 0x8;
constexpr CommandMask kUnlink = 0x10;
constexpr CommandMask kRestore = 0x20;
constexpr CommandMask kAddPortGroup = 0x40;
constexpr CommandMask kDeletePortGroup = 0x80;
constexpr CommandMask kCheck = 0x100;
constexpr CommandMask kCheckPortGroup = 0x200;
constexpr CommandMask kVlan = 0x400;
constexpr CommandMask kCdp = 0x800;
constexpr CommandMask kMtu = 0x1000;
constexpr CommandMask kTestSyncZet = 0x2000;
constexpr CommandMask kAddPortGroupUplink = 0x4000;
constexpr CommandMask kDeletePortGroupUplink = 0x8000;
constexpr CommandMask kAddDVPortUplink = 0x10000;
constexpr CommandMask kDeleteDVPortUplink = 0x20000;
constexpr CommandMask kGetMaxActive = 0x40000;
constexpr CommandMask kSetMaxActive = 0x80000;
constexpr CommandMask kRestoreUplinks = 0x100000;
constexpr CommandMask kDVSwitch = 0x200000;
constexpr CommandMask kUuid = 0x400000;
constexpr CommandMask kImplClass = 0x800000;
constexpr CommandMask kVersion = 0x1000000;
constexpr CommandMask kActivateEns = 0x2000000;
constexpr CommandMask kDeactivateEns = 0x4000000;
constexpr CommandMask kReassociateEns = 0x8000000;
constexpr CommandMask kEnsReady = 0x10000000;
constexpr CommandMask kForceReassociateEns = 0x20000000;
constexpr CommandMask kInterrupt = 0x40000000;
constexpr CommandMask kFastSwitch = 0x80000000;
constexpr CommandMask kGetUplinkTimeout = 0x100000000;
constexpr CommandMask kLoadUplinkTimeout = 0x200000000;
constexpr CommandMask kPortset = 0x400000000;
constexpr CommandMask kLagId = 0x800000000;
constexpr CommandMask kTimeoutUplink = 0x1000000000;
constexpr CommandMask kGetLagTimeout = 0x2000000000;
constexpr CommandMask kLoadLagTimeout = 0x4000000000;
constexpr CommandMask kSystem = 0x8000000000;
}  // namespace Bit

struct CommandLine {
  CommandMask mask = 0;
  std::string vswitchName;
  // The port count after "vswitch:"; absent: the host's default.
  std::optional<uint32_t> numPorts;
  std::string uplinkName;
  std::string implClass;
  std::string dvsVersion;
  std::string dvsUuid;
  std::string portGroupName;
  std::string cdpStatus = "print";
  std::string dvPortId;
  std::string portsetName;
  std::string timeoutUplink;
  uint32_t lagId = 0;
  uint16_t mtu = 0;
  uint32_t vlanId = 0;
  int32_t maxActive = 0;

  bool Has(CommandMask bits) const { return (mask & bits) != 0; }
};

#endif  // COMMANDS_COMMAND_LINE_H_
