#ifndef TOOLS_HOST_COMMANDS_H_
#define TOOLS_HOST_COMMANDS_H_

// Runs one ploncfg-host command line and returns the exit status.
int RunHostCommand(int argc, char** argv);

#endif  // TOOLS_HOST_COMMANDS_H_
