#include "cli/parse_command_line.h"

#include <getopt.h>

#include <cstdlib>
#include <string>

#include "cli/command_checks.h"
#include "cli/numbers.h"
#include "cli/option_table.h"
#include "cli/usage.h"
#include "commands/uuid_text.h"
#include "hostnet/portset.h"
#include "output/output.h"

namespace {

// Commands that act on the switch named by the positional argument; the
// others never read it.
constexpr CommandMask kNeedsSwitchName =
    Bit::kAdd | Bit::kDelete | Bit::kLink | Bit::kUnlink | Bit::kAddPortGroup |
    Bit::kDeletePortGroup | Bit::kCheck | Bit::kVlan | Bit::kCdp | Bit::kMtu | Bit::kTestSyncZet |
    Bit::kAddPortGroupUplink | Bit::kDeletePortGroupUplink | Bit::kAddDVPortUplink |
    Bit::kDeleteDVPortUplink | Bit::kGetMaxActive | Bit::kSetMaxActive | Bit::kActivateEns |
    Bit::kDeactivateEns | Bit::kReassociateEns | Bit::kForceReassociateEns;
// DVPort uplink commands name a DVSwitch, whose name has no length bound here.
constexpr CommandMask kAnyNameLength = Bit::kAddDVPortUplink | Bit::kDeleteDVPortUplink;
constexpr CommandMask kNeedsPortGroup =
    Bit::kVlan | Bit::kAddPortGroupUplink | Bit::kDeletePortGroupUplink;
constexpr CommandMask kNeedsDVPortId =
    Bit::kTestSyncZet | Bit::kAddDVPortUplink | Bit::kDeleteDVPortUplink;

constexpr uint32_t kMaxVlanId = 4095;

void AddCommand(CommandLine& line, CommandMask bit) {
  CheckOnlyOneCommand(line.mask);
  line.mask |= bit;
}

void AddModifier(CommandLine& line, CommandMask bit, int letter, CommandMask required,
                 const char* requiredText) {
  CheckRequiredCommand(line.mask, required, requiredText, LongName(letter));
  line.mask |= bit;
}

// -u, -I and -n belong to adding a DVSwitch: -a, then -W, must precede them.
void AddDVSwitchModifier(CommandLine& line, CommandMask bit, int letter) {
  CheckRequiredCommand(line.mask, Bit::kAdd, "add", LongName(letter));
  AddModifier(line, bit, letter, Bit::kDVSwitch, "dvswitch");
}

void ReadVlanId(CommandLine& line, const char* text) {
  Number<uint32_t> vlan = ParseNumber<uint32_t>(text);
  if (!vlan.complete || vlan.value > kMaxVlanId) {
    ErrorLine() << "Invalid vlan id.  Vlan must be between 0-4095: " << text;
    std::exit(1);
  }
  line.vlanId = vlan.value;
}

void ReadMaxActive(CommandLine& line, const char* text) {
  Number<int32_t> maxActive = ParseNumber<int32_t>(text);
  if (!maxActive.complete) {
    ErrorLine() << "Invalid max active:" << text;
    std::exit(1);
  }
  line.maxActive = maxActive.value;
}

void ReadUuid(CommandLine& line, const char* text) {
  line.dvsUuid = text;
  if (!IsValidUuidString(text)) {
    ErrorLine() << "Invalid UUID:" << text << ". Should be of format "
                << UuidToString("abcdefghijklmnop");
    std::exit(1);
  }
}

// Handles one option the moment getopt_long returns it; arg is its argument.
void ReadOption(CommandLine& line, int letter, const char* arg) {
  // One row per option: its checks, then its bit and value.
  // clang-format off
  switch (letter) {
    case 'a': AddCommand(line, Bit::kAdd); break;
    case 'd': AddCommand(line, Bit::kDelete); break;
    case 'l': AddCommand(line, Bit::kList); break;
    case 'L': AddCommand(line, Bit::kLink); line.uplinkName = arg; break;
    case 'U': AddCommand(line, Bit::kUnlink); line.uplinkName = arg; break;
    case 'r': AddCommand(line, Bit::kRestore); break;
    case 'A': AddCommand(line, Bit::kAddPortGroup); line.portGroupName = arg; break;
    case 'D': AddCommand(line, Bit::kDeletePortGroup); line.portGroupName = arg; break;
    case 'C': AddCommand(line, Bit::kCheckPortGroup); line.portGroupName = arg; break;
    case 'c': AddCommand(line, Bit::kCheck); break;
    case 'p': line.portGroupName = arg; break;
    case 'v': AddCommand(line, Bit::kVlan); ReadVlanId(line, arg); break;
    case 'B': AddCommand(line, Bit::kCdp); line.cdpStatus = arg; break;
    case 'b': AddCommand(line, Bit::kCdp); line.cdpStatus = "print"; break;
    case 'm': AddCommand(line, Bit::kMtu); line.mtu = ParseNumber<uint16_t>(arg).value; break;
    case 'T': AddCommand(line, Bit::kTestSyncZet); break;
    case 'M': AddCommand(line, Bit::kAddPortGroupUplink); line.uplinkName = arg; break;
    case 'N': AddCommand(line, Bit::kDeletePortGroupUplink); line.uplinkName = arg; break;
    case 'P': AddCommand(line, Bit::kAddDVPortUplink); line.uplinkName = arg; break;
    case 'Q': AddCommand(line, Bit::kDeleteDVPortUplink); line.uplinkName = arg; break;
    case 'V': line.dvPortId = arg; break;
    case 'x': AddCommand(line, Bit::kGetMaxActive); break;
    case 'X': AddCommand(line, Bit::kSetMaxActive); ReadMaxActive(line, arg); break;
    case 'R': AddCommand(line, Bit::kRestoreUplinks); break;
    case 'W':
      AddModifier(line, Bit::kDVSwitch, letter, Bit::kAdd | Bit::kDelete, "add or delete");
      break;
    case 'u': AddDVSwitchModifier(line, Bit::kUuid, letter); ReadUuid(line, arg); break;
    case 'I': AddDVSwitchModifier(line, Bit::kImplClass, letter); line.implClass = arg; break;
    case 'n': AddDVSwitchModifier(line, Bit::kVersion, letter); line.dvsVersion = arg; break;
    case 'y': line.mask |= Bit::kActivateEns; break;
    case 'Y': line.mask |= Bit::kDeactivateEns; break;
    case 'z': line.mask |= Bit::kReassociateEns; break;
    case 'Z': line.mask |= Bit::kEnsReady; break;
    case 'f': line.mask |= Bit::kForceReassociateEns; break;
    case 'i': AddModifier(line, Bit::kInterrupt, letter, Bit::kActivateEns, "activate-ens"); break;
    case 'F': AddModifier(line, Bit::kFastSwitch, letter, Bit::kActivateEns, "activate-ens"); break;
    case 'o': AddCommand(line, Bit::kGetUplinkTimeout); break;
    case 'O': AddCommand(line, Bit::kLoadUplinkTimeout); break;
    case 'g': AddCommand(line, Bit::kGetLagTimeout); break;
    case 'G': AddCommand(line, Bit::kLoadLagTimeout); break;
    case 's': line.mask |= Bit::kPortset; line.portsetName = arg; break;
    case 'j': line.mask |= Bit::kLagId; line.lagId = ParseNumber<uint32_t>(arg).value; break;
    case 'k': line.mask |= Bit::kTimeoutUplink; line.timeoutUplink = arg; break;
    case 'S': AddModifier(line, Bit::kSystem, letter, Bit::kList, "list"); break;
    case 'h': Usage(0);
    default: Usage(1);  // -t, or '?' after getopt_long's own diagnostic
  }
  // clang-format on
}

// Takes the switch name from the first positional argument; further ones are
// ignored. Only -a reads a ":ports" suffix; for every other command a colon
// is part of the name.
void ReadSwitchName(CommandLine& line, const char* argument) {
  if (argument == nullptr) {
    ErrorLine() << "No virtual switch name specified";
    std::exit(1);
  }
  std::string name = argument;
  std::string::size_type colon = name.find(':');
  if (line.Has(Bit::kAdd) && colon != std::string::npos) {
    line.numPorts = static_cast<uint32_t>(ParseNumber<int32_t>(argument + colon + 1).value);
    name.erase(colon);
  }
  line.vswitchName = name;
  const uint32_t maxLength = Quorvic::Network::Portset::MAX_VSNAME_SZ;
  if (!line.Has(kAnyNameLength) && line.vswitchName.size() >= maxLength) {
    ErrorLine() << "Virtual switch name too long (should be < " << maxLength << ")";
    std::exit(1);
  }
}

// The checks of the whole line, in order, after the last option.
void Validate(CommandLine& line, const char* firstPositional) {
  if (line.mask == 0) Usage(1);
  if (line.Has(Bit::kActivateEns) && line.Has(Bit::kDeactivateEns)) Usage(1);
  if (line.Has(kNeedsSwitchName)) ReadSwitchName(line, firstPositional);
  if (line.Has(kNeedsPortGroup) && line.portGroupName.empty()) {
    ErrorLine() << "No portgroup name specified. Specify with -p option";
    std::exit(1);
  }
  if (line.Has(kNeedsDVPortId) && line.dvPortId.empty()) {
    ErrorLine() << "No DVPort ID specified. Specify with -V option";
    std::exit(1);
  }
}

}  // namespace

CommandLine ParseCommandLine(int argc, char* argv[]) {
  CommandLine line;
  int letter;
  while ((letter = getopt_long(argc, argv, kShortOptions, kLongOptions, nullptr)) != -1) {
    ReadOption(line, letter, optarg);
  }
  Validate(line, optind < argc ? argv[optind] : nullptr);
  return line;
}
