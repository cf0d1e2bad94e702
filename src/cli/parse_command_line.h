#ifndef CLI_PARSE_COMMAND_LINE_H_
#define CLI_PARSE_COMMAND_LINE_H_

#include "commands/command_line.h"

// Reads the options and the positional vswitch[:ports] argument and checks
// them: each option as it arrives, then the whole line. Returns the accepted
// command line. Ends the run on the first fault, before anything touches the
// host, by throwing EndRun (commands/end_run.h): usage errors after the usage
// text with status 1, value errors after one line on standard error with
// status 1, -h after the usage text with 0. Reading the switch name's limit
// chooses the host, which throws Quorvic::Lib::QuorvicException when it
// cannot. It may be called again in the same process once optind is reset.
CommandLine ParseCommandLine(int argc, char* argv[]);

#endif  // CLI_PARSE_COMMAND_LINE_H_
