// ploncfg-host: inspects and seeds the simulated host.
//   ploncfg-host [--db PATH] dump | load [FILE|-] | reset [--empty] | reboot |
//                fault OP --message TEXT [--target NAME] [--times N] [--status N] |
//                faults clear | graph
// It works on the host database directly and never fires faults. Errors are
// one line on standard error and exit status 1.
#include "host_commands.h"

int main(int argc, char** argv) { return RunHostCommand(argc, argv); }
