#include "cli/parse_command_line.h"
#include "cli/run_phase.h"

int main(int argc, char* argv[]) {
  const CommandLine line = ParseCommandLine(argc, argv);
  return RunPhase(line);
}
