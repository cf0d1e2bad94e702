// Fuzzes the front end of ploncfg-vswitch: the input, split at NUL bytes, is
// an argument vector that goes through option parsing and the checks of the
// whole line. Nothing touches the host. The parser ends the process on every
// refusal; this binary is linked with --wrap=exit, so that such an exit jumps
// back here and the next input runs. What the jump skips is never freed, so
// run it with -detect_leaks=0 (fuzz/run.sh does).

#include <getopt.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <streambuf>
#include <string>
#include <vector>

#include "backends/host_choice.h"
#include "cli/parse_command_line.h"
#include "hostnet/portset.h"
#include "hostnet/process_backend.h"

extern "C" [[noreturn]] void __real_exit(int status);

namespace {

std::jmp_buf* parsing = nullptr;

// Drops everything written to it.
class Discard : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};

// A line the parser accepted must hold what the run phase relies on.
void CheckAccepted(const CommandLine& line) {
  constexpr CommandMask kDVPortUplink = Bit::kAddDVPortUplink | Bit::kDeleteDVPortUplink;
  if (line.mask == 0) __builtin_trap();
  if (line.vlanId > 4095) __builtin_trap();
  if (line.Has(Bit::kActivateEns) && line.Has(Bit::kDeactivateEns)) __builtin_trap();
  if (!line.Has(kDVPortUplink) &&
      line.vswitchName.size() >= Quorvic::Network::Portset::MAX_VSNAME_SZ) {
    __builtin_trap();
  }
  if (line.Has(Bit::kVlan | Bit::kAddPortGroupUplink | Bit::kDeletePortGroupUplink) &&
      line.portGroupName.empty()) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" [[noreturn]] void __wrap_exit(int status) {
  if (parsing != nullptr) std::longjmp(*parsing, 1);
  __real_exit(status);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The parser reads the host's name limit; choosing the host touches nothing.
  hostnet::SetBackendOpener(backends::OpenToolBackend);
  // The usage text and diagnostics would drown the fuzzer's own report.
  static Discard discard;
  std::cout.rdbuf(&discard);
  std::cerr.rdbuf(&discard);
  opterr = 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args{"ploncfg-vswitch"};
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\0') {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (!current.empty()) args.push_back(current);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  optind = 0;  // getopt_long starts over
  static std::jmp_buf refused;
  parsing = &refused;
  if (setjmp(refused) == 0) {
    const CommandLine line = ParseCommandLine(static_cast<int>(args.size()), argv.data());
    CheckAccepted(line);
  }
  parsing = nullptr;
  return 0;
}
