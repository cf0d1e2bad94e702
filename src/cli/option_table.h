#ifndef CLI_OPTION_TABLE_H_
#define CLI_OPTION_TABLE_H_

#include <getopt.h>

#include <string>
#include <vector>

#include "commands/command_line.h"

// Everything the front end knows about its options, one row per option. The
// getopt strings, the masks of what a command needs and the completion's word
// list are derived from these rows.

// How reading an option treats the options read before it.
enum class OptionKind {
  kCommand,   // one command per line: refused once any option has set a bit
  kModifier,  // free of that rule; refused unless its required commands came first
  kHelp,      // prints the usage text and ends the run with status 0
  kRefused,   // known to getopt, refused with the usage text and status 1
};

// A command that must come before a modifier: one of bits must be set.
// name is the command as the refusal names it.
struct Requirement {
  CommandMask bits;
  const char* name;
};

// What the whole command line must carry once a command is given.
namespace Need {
constexpr unsigned kSwitchName = 0x1;    // the positional switch name, shorter than MAX_VSNAME_SZ
constexpr unsigned kDVSwitchName = 0x2;  // the positional name of a DVSwitch, of any length
constexpr unsigned kPortGroup = 0x4;     // -p
constexpr unsigned kDVPortId = 0x8;      // -V
}  // namespace Need

// Stores an option's text in the command line (cli/option_values.h).
using ValueReader = void (*)(CommandLine& line, const char* text);

struct OptionRow {
  char letter;
  const char* longName;  // nullptr: the letter alone
  int argument;          // getopt's no_argument or required_argument
  OptionKind kind;
  CommandMask bit;  // 0: sets no bit
  // For a modifier, the commands it requires, checked in this order; unused
  // entries have no bits.
  Requirement required[2];
  ValueReader read;  // nullptr: takes no value
  unsigned needs;    // Need bits
  int shortPlace;    // the letter's place in ShortOptions()
};

// The rows, in getopt_long's order of long options, which is also the order
// in which it lists the candidates of an ambiguous abbreviation.
const std::vector<OptionRow>& OptionTable();

// The row of letter; nullptr when no option has it.
const OptionRow* FindOption(int letter);

// The short-option string for getopt_long: every letter at its shortPlace,
// followed by ':' when it takes an argument.
const char* ShortOptions();

// The long options for getopt_long, in table order, ended by an all-zero
// entry. Each returns its letter and none uses a flag pointer, so a long
// option and its letter are read alike.
const struct option* LongOptions();

// The bits of every option whose needs include any of needs.
CommandMask BitsNeeding(unsigned needs);

// The words Tab completes an option to: for each option but the refused
// ones, "-" and its letter, then for each with a long name, "--" and the name.
std::vector<std::string> OptionWords();

#endif  // CLI_OPTION_TABLE_H_
