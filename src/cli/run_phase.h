#ifndef CLI_RUN_PHASE_H_
#define CLI_RUN_PHASE_H_

#include "commands/command_line.h"

// Carries out an accepted command line and returns the exit status.
// With -Z only the ens-ready step runs, before any host object exists, and
// the status is 0. Otherwise the selected blocks run in their fixed order
// against one host connection; a QuorvicException that escapes them ends the
// run: its detailed message goes to standard error and the status is 1.
// A check that ends the run itself throws EndRun (commands/end_run.h); it
// leaves this function once what the blocks looked up, the switch
// information and the host connection are released. A QuorvicException from
// the ens-ready step leaves it too, for main to report.
int RunPhase(const CommandLine& line);

#endif  // CLI_RUN_PHASE_H_
