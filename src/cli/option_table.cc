#include "cli/option_table.h"

#include <cstddef>

#include "cli/option_values.h"

namespace {

// Short names for what the rows repeat.
constexpr int kNoArg = no_argument;
constexpr int kArg = required_argument;
constexpr OptionKind kCommand = OptionKind::kCommand;
constexpr OptionKind kModifier = OptionKind::kModifier;
constexpr OptionKind kHelp = OptionKind::kHelp;
constexpr OptionKind kRefused = OptionKind::kRefused;

// The commands modifiers require. -u, -I and -n belong to adding a DVSwitch:
// -a, then -W, must precede them.
constexpr Requirement kAfterAdd = {Bit::kAdd, "add"};
constexpr Requirement kAfterAddOrDelete = {Bit::kAdd | Bit::kDelete, "add or delete"};
constexpr Requirement kAfterDVSwitch = {Bit::kDVSwitch, "dvswitch"};
constexpr Requirement kAfterActivateEns = {Bit::kActivateEns, "activate-ens"};
constexpr Requirement kAfterList = {Bit::kList, "list"};

std::string BuildShortOptions() {
  const std::vector<OptionRow>& table = OptionTable();
  std::string text;
  for (size_t place = 0; place < table.size(); ++place) {
    for (const OptionRow& row : table) {
      if (row.shortPlace != static_cast<int>(place)) continue;
      text += row.letter;
      if (row.argument == required_argument) text += ':';
    }
  }
  return text;
}

std::vector<struct option> BuildLongOptions() {
  std::vector<struct option> options;
  for (const OptionRow& row : OptionTable()) {
    if (row.longName != nullptr) {
      options.push_back({row.longName, row.argument, nullptr, row.letter});
    }
  }
  options.push_back({nullptr, 0, nullptr, 0});
  return options;
}

}  // namespace

const std::vector<OptionRow>& OptionTable() {
  // The ENS options (-y, -Y, -z, -f, -Z) set their bits as modifiers without
  // a requirement: they may join any command, and a command may not follow them.
  // clang-format off
  static const std::vector<OptionRow> table = {
      // letter, long name, argument, kind, bit, required commands, value, needs, short place
      {'a', "add", kNoArg, kCommand, Bit::kAdd, {}, nullptr, Need::kSwitchName, 0},
      {'W', "dvswitch", kNoArg, kModifier, Bit::kDVSwitch, {kAfterAddOrDelete}, nullptr, 0, 1},
      {'u', "uuid", kArg, kModifier, Bit::kUuid, {kAfterAdd, kAfterDVSwitch}, ReadUuid, 0, 2},
      {'I', "impl-class", kArg, kModifier, Bit::kImplClass, {kAfterAdd, kAfterDVSwitch},
       ReadImplClass, 0, 3},
      {'n', "version", kArg, kModifier, Bit::kVersion, {kAfterAdd, kAfterDVSwitch}, ReadDvsVersion,
       0, 4},
      {'d', "delete", kNoArg, kCommand, Bit::kDelete, {}, nullptr, Need::kSwitchName, 5},
      {'l', "list", kNoArg, kCommand, Bit::kList, {}, nullptr, 0, 6},
      {'L', "link", kArg, kCommand, Bit::kLink, {}, ReadUplinkName, Need::kSwitchName, 8},
      {'U', "unlink", kArg, kCommand, Bit::kUnlink, {}, ReadUplinkName, Need::kSwitchName, 7},
      {'R', "restore-uplinks", kNoArg, kCommand, Bit::kRestoreUplinks, {}, nullptr, 0, 29},
      {'r', "restore", kNoArg, kCommand, Bit::kRestore, {}, nullptr, 0, 12},
      {'A', "add-pg", kArg, kCommand, Bit::kAddPortGroup, {}, ReadPortGroupName,
       Need::kSwitchName, 17},
      {'D', "del-pg", kArg, kCommand, Bit::kDeletePortGroup, {}, ReadPortGroupName,
       Need::kSwitchName, 18},
      {'C', "check-pg", kArg, kCommand, Bit::kCheckPortGroup, {}, ReadPortGroupName, 0, 19},
      {'c', "check", kNoArg, kCommand, Bit::kCheck, {}, nullptr, Need::kSwitchName, 13},
      {'p', "pg", kArg, kModifier, 0, {}, ReadPortGroupName, 0, 14},
      {'v', "vlan", kArg, kCommand, Bit::kVlan, {}, ReadVlanId,
       Need::kSwitchName | Need::kPortGroup, 15},
      {'B', "set-cdp", kArg, kCommand, Bit::kCdp, {}, ReadCdpStatus, Need::kSwitchName, 22},
      {'b', "get-cdp", kNoArg, kCommand, Bit::kCdp, {}, nullptr, Need::kSwitchName, 23},
      {'M', "add-pg-uplink", kArg, kCommand, Bit::kAddPortGroupUplink, {}, ReadUplinkName,
       Need::kSwitchName | Need::kPortGroup, 24},
      {'N', "del-pg-uplink", kArg, kCommand, Bit::kDeletePortGroupUplink, {}, ReadUplinkName,
       Need::kSwitchName | Need::kPortGroup, 25},
      {'P', "add-dvp-uplink", kArg, kCommand, Bit::kAddDVPortUplink, {}, ReadUplinkName,
       Need::kDVSwitchName | Need::kDVPortId, 9},
      {'Q', "del-dvp-uplink", kArg, kCommand, Bit::kDeleteDVPortUplink, {}, ReadUplinkName,
       Need::kDVSwitchName | Need::kDVPortId, 10},
      {'V', "dvp", kArg, kModifier, 0, {}, ReadDVPortId, 0, 11},
      {'m', "mtu", kArg, kCommand, Bit::kMtu, {}, ReadMtu, Need::kSwitchName, 26},
      {'X', "set-maxactive", kArg, kCommand, Bit::kSetMaxActive, {}, ReadMaxActive,
       Need::kSwitchName, 27},
      {'x', "get-maxactive", kNoArg, kCommand, Bit::kGetMaxActive, {}, nullptr,
       Need::kSwitchName, 28},
      {'T', "test-sync-zet", kNoArg, kCommand, Bit::kTestSyncZet, {}, nullptr,
       Need::kSwitchName | Need::kDVPortId, 21},
      {'y', "activate-ens", kNoArg, kModifier, Bit::kActivateEns, {}, nullptr,
       Need::kSwitchName, 30},
      {'Y', "deactivate-ens", kNoArg, kModifier, Bit::kDeactivateEns, {}, nullptr,
       Need::kSwitchName, 31},
      {'z', "reassociate-ens", kNoArg, kModifier, Bit::kReassociateEns, {}, nullptr,
       Need::kSwitchName, 33},
      {'Z', "ens-ready", kNoArg, kModifier, Bit::kEnsReady, {}, nullptr, 0, 34},
      {'f', "force-reassociate-ens", kNoArg, kModifier, Bit::kForceReassociateEns, {}, nullptr,
       Need::kSwitchName, 32},
      {'i', "intr", kNoArg, kModifier, Bit::kInterrupt, {kAfterActivateEns}, nullptr, 0, 35},
      {'F', "fast-switch", kNoArg, kModifier, Bit::kFastSwitch, {kAfterActivateEns}, nullptr,
       0, 43},
      {'o', "get-lacp-timeout", kNoArg, kCommand, Bit::kGetUplinkTimeout, {}, nullptr, 0, 36},
      {'O', "load-lacp-timeout", kNoArg, kCommand, Bit::kLoadUplinkTimeout, {}, nullptr, 0, 37},
      {'s', "portset", kArg, kModifier, Bit::kPortset, {}, ReadPortsetName, 0, 38},
      {'j', "lagid", kArg, kModifier, Bit::kLagId, {}, ReadLagId, 0, 39},
      {'k', "uplink", kArg, kModifier, Bit::kTimeoutUplink, {}, ReadTimeoutUplink, 0, 40},
      {'g', "get-lag-timeout", kNoArg, kCommand, Bit::kGetLagTimeout, {}, nullptr, 0, 41},
      {'G', "load-lag-timeout", kNoArg, kCommand, Bit::kLoadLagTimeout, {}, nullptr, 0, 42},
      {'S', "system", kNoArg, kModifier, Bit::kSystem, {kAfterList}, nullptr, 0, 44},
      {'h', "help", kNoArg, kHelp, 0, {}, nullptr, 0, 16},
      {'t', nullptr, kNoArg, kRefused, 0, {}, nullptr, 0, 20},
  };
  // clang-format on
  return table;
}

const OptionRow* FindOption(int letter) {
  for (const OptionRow& row : OptionTable()) {
    if (row.letter == letter) return &row;
  }
  return nullptr;
}

const char* ShortOptions() {
  static const std::string text = BuildShortOptions();
  return text.c_str();
}

const struct option* LongOptions() {
  static const std::vector<struct option> options = BuildLongOptions();
  return options.data();
}

CommandMask BitsNeeding(unsigned needs) {
  CommandMask bits = 0;
  for (const OptionRow& row : OptionTable()) {
    if ((row.needs & needs) != 0) bits |= row.bit;
  }
  return bits;
}

std::vector<std::string> OptionWords() {
  std::vector<std::string> words;
  for (const OptionRow& row : OptionTable()) {
    if (row.kind != OptionKind::kRefused) words.push_back(std::string("-") + row.letter);
  }
  for (const OptionRow& row : OptionTable()) {
    if (row.kind != OptionKind::kRefused && row.longName != nullptr) {
      words.push_back(std::string("--") + row.longName);
    }
  }
  return words;
}
