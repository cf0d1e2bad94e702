#include "cli/parse_command_line.h"

#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/command_checks.h"
#include "cli/numbers.h"
#include "cli/option_table.h"
#include "cli/usage.h"
#include "commands/end_run.h"
#include "hostnet/portset.h"
#include "output/output.h"

namespace {

// Handles one option the moment getopt_long returns it; arg is its argument.
// Its checks come first, then its bit and value.
void ReadOption(CommandLine& line, int letter, const char* arg) {
  const OptionRow* row = FindOption(letter);
  if (row == nullptr) Usage(1);  // '?' after getopt_long's own diagnostic
  if (row->kind == OptionKind::kHelp) Usage(0);
  if (row->kind == OptionKind::kRefused) Usage(1);
  if (row->kind == OptionKind::kCommand) CheckOnlyOneCommand(line.mask);
  for (const Requirement& required : row->required) {
    if (required.bits != 0) {
      CheckRequiredCommand(line.mask, required.bits, required.name, row->longName);
    }
  }
  line.mask |= row->bit;
  if (row->read != nullptr) row->read(line, arg);
}

// Takes the switch name from the first positional argument; further ones are
// ignored. Only -a reads a ":ports" suffix; for every other command a colon
// is part of the name.
void ReadSwitchName(CommandLine& line, const char* argument) {
  if (argument == nullptr) {
    ErrorLine() << "No virtual switch name specified";
    throw EndRun{1};
  }
  std::string name = argument;
  std::string::size_type colon = name.find(':');
  if (line.Has(Bit::kAdd) && colon != std::string::npos) {
    line.numPorts = static_cast<uint32_t>(ParseNumber<int32_t>(argument + colon + 1).value);
    name.erase(colon);
  }
  line.vswitchName = name;
  const uint32_t maxLength = Quorvic::Network::Portset::MAX_VSNAME_SZ;
  if (!line.Has(BitsNeeding(Need::kDVSwitchName)) && line.vswitchName.size() >= maxLength) {
    ErrorLine() << "Virtual switch name too long (should be < " << maxLength << ")";
    throw EndRun{1};
  }
}

// The checks of the whole line, in order, after the last option.
void Validate(CommandLine& line, const char* firstPositional) {
  if (line.mask == 0) Usage(1);
  if (line.Has(Bit::kActivateEns) && line.Has(Bit::kDeactivateEns)) Usage(1);
  if (line.Has(BitsNeeding(Need::kSwitchName | Need::kDVSwitchName))) {
    ReadSwitchName(line, firstPositional);
  }
  if (line.Has(BitsNeeding(Need::kPortGroup)) && line.portGroupName.empty()) {
    ErrorLine() << "No portgroup name specified. Specify with -p option";
    throw EndRun{1};
  }
  if (line.Has(BitsNeeding(Need::kDVPortId)) && line.dvPortId.empty()) {
    ErrorLine() << "No DVPort ID specified. Specify with -V option";
    throw EndRun{1};
  }
}

// getopt_long's next option. Its own diagnostic quotes the operator's
// argument as it is, so it is caught on its way to the C library's stderr
// (glibc's stderr is a variable) and written, a line at a time, as every
// line of the tool is: escaped (output/output.h).
int NextOption(int argc, char* argv[]) {
  char* text = nullptr;
  size_t size = 0;
  FILE* caught = open_memstream(&text, &size);
  FILE* const saved = stderr;
  if (caught != nullptr) stderr = caught;
  const int letter = getopt_long(argc, argv, ShortOptions(), LongOptions(), nullptr);
  stderr = saved;
  if (caught == nullptr) return letter;
  std::fclose(caught);
  std::string_view said(text, size);
  while (!said.empty()) {
    const std::string_view::size_type end = said.find('\n');
    ErrorLine() << said.substr(0, end);
    said.remove_prefix(end == std::string_view::npos ? said.size() : end + 1);
  }
  std::free(text);
  return letter;
}

}  // namespace

CommandLine ParseCommandLine(int argc, char* argv[]) {
  CommandLine line;
  int letter;
  while ((letter = NextOption(argc, argv)) != -1) {
    ReadOption(line, letter, optarg);
  }
  Validate(line, optind < argc ? argv[optind] : nullptr);
  return line;
}
