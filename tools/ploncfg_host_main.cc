// ploncfg-host: inspects and seeds the host.
//   ploncfg-host [--db PATH] dump | load [FILE|-] | reset [--empty] | reboot | migrate |
//                fault OP --message TEXT [--target NAME] [--times N] [--status N] |
//                faults clear | graph | names [KIND...] | ...
// It works on the chosen backend directly and never fires faults. Errors are
// one line on standard error and exit status 1.
#include <exception>
#include <new>

#include "output/output.h"
#include "host_commands.h"

int main(int argc, char** argv) {
  try {
    return RunHostCommand(argc, argv);
  } catch (const std::bad_alloc&) {
    ErrorLine() << "out of memory";
  } catch (const std::exception& e) {
    ErrorLine() << e.what();
  }
  return 1;
}
