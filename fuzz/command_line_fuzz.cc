// Fuzzes the front end of ploncfg-vswitch: the input, split at NUL bytes, is
// an argument vector that goes through option parsing and the checks of the
// whole line. Nothing touches the host. Parsing either returns an accepted
// line or ends the run with EndRun; it never ends the process, and libFuzzer
// reports a target that exits as a finding.

#include <getopt.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "backends/host_choice.h"
#include "cli/parse_command_line.h"
#include "commands/end_run.h"
#include "hostnet/portset.h"
#include "hostnet/process_backend.h"

namespace {

// A line the parser accepted must hold what the run phase relies on.
void CheckAccepted(const CommandLine& line) {
  constexpr CommandMask kDVPortUplink = Bit::kAddDVPortUplink | Bit::kDeleteDVPortUplink;
  if (line.mask == 0) __builtin_trap();
  if (line.vlanId > 4095) __builtin_trap();
  if (line.Has(Bit::kActivateEns) && line.Has(Bit::kDeactivateEns)) __builtin_trap();
  if (!line.Has(kDVPortUplink) &&
      line.vswitchName.size() >= Quorvic::Network::Portset::MAX_VSNAME_SZ) {
    __builtin_trap();
  }
  if (line.Has(Bit::kVlan | Bit::kAddPortGroupUplink | Bit::kDeletePortGroupUplink) &&
      line.portGroupName.empty()) {
    __builtin_trap();
  }
}

// A refused line ends with status 1; only help ends with 0, and asking for it
// takes an option argument with an 'h' in it (-h, a cluster such as -ah,
// --help or its abbreviation).
void CheckEnded(const EndRun& end, const std::vector<std::string>& args) {
  if (end.status == 1) return;
  if (end.status != 0) __builtin_trap();
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i].size() > 1 && args[i][0] == '-' && args[i].find('h') != std::string::npos) {
      return;
    }
  }
  __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The parser reads the host's name limit; choosing the host touches nothing.
  hostnet::SetBackendOpener(backends::OpenToolBackend);
  opterr = 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args{"ploncfg-vswitch"};
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\0') {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (!current.empty()) args.push_back(current);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  optind = 0;  // getopt_long starts over
  try {
    CheckAccepted(ParseCommandLine(static_cast<int>(args.size()), argv.data()));
  } catch (const EndRun& end) {
    CheckEnded(end, args);
  }
  return 0;
}
