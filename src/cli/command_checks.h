#ifndef CLI_COMMAND_CHECKS_H_
#define CLI_COMMAND_CHECKS_H_

#include "commands/command_line.h"

// The option-order rules. Both look at the mask as it is before the option
// being read adds its own bit, and end the run of a refused command line with
// the usage text and status 1 (cli/usage.h).

// Refuses a command option once any option has set a bit of mask.
void CheckOnlyOneCommand(CommandMask mask);

// Refuses a modifier unless mask has one of requiredBits, i.e. its command
// came before it. requiredText names that command and optionName is the
// modifier's long name, even when it was given by its letter.
void CheckRequiredCommand(CommandMask mask, CommandMask requiredBits, const char* requiredText,
                          const char* optionName);

#endif  // CLI_COMMAND_CHECKS_H_
