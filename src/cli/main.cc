#include <iostream>

#include "cli/parse_command_line.h"
#include "cli/run_phase.h"

int main(int argc, char* argv[]) {
  // The tool writes only through the C++ streams; unsynchronised they buffer
  // for themselves instead of passing each character through C stdio.
  std::ios::sync_with_stdio(false);
  const CommandLine line = ParseCommandLine(argc, argv);
  return RunPhase(line);
}
