#include "backends/host_choice.h"
#include "cli/parse_command_line.h"
#include "cli/run_phase.h"
#include "commands/end_run.h"
#include "hostnet/process_backend.h"
#include "hostnet/quorvic_exception.h"
#include "output/output.h"

int main(int argc, char* argv[]) {
  hostnet::SetBackendOpener(backends::OpenToolBackend);
  try {
    // Reading the switch name's limit chooses the host, which may fail.
    const CommandLine line = ParseCommandLine(argc, argv);
    return RunPhase(line);
  } catch (const EndRun& end) {
    // Whatever ended the run has said why already.
    return end.status;
  } catch (const Quorvic::Lib::QuorvicException& e) {
    ErrorLine() << e.GetDetailedMessage();
    return 1;
  }
}
