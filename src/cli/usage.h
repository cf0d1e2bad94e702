#ifndef CLI_USAGE_H_
#define CLI_USAGE_H_

// Prints the help text on standard output, the same text for every caller,
// and ends the run with status: throws EndRun (commands/end_run.h).
[[noreturn]] void Usage(int status);

#endif  // CLI_USAGE_H_
