#ifndef CLI_PARSE_COMMAND_LINE_H_
#define CLI_PARSE_COMMAND_LINE_H_

#include "commands/command_line.h"

// Reads the options and the positional vswitch[:ports] argument and checks
// them: each option as it arrives, then the whole line. Returns the accepted
// command line. Ends the process on the first fault, before anything touches
// the host: usage errors with the usage text and status 1, value errors with
// one line on standard error and status 1, -h with the usage text and 0.
CommandLine ParseCommandLine(int argc, char* argv[]);

#endif  // CLI_PARSE_COMMAND_LINE_H_
