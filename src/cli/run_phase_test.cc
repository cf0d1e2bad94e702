#include "cli/run_phase.h"

#include <getopt.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "support/test_host.h"
#include "cli/parse_command_line.h"
#include "commands/end_run.h"
#include "hostnet/process_backend.h"

namespace {

// sw0 links nic0 and has pg1; nic5 is linked nowhere; dvs0 has DVPort 100.
const char kHost[] = R"({
  "pnics": ["nic0", "nic1", "nic5"],
  "switches": [{"name": "sw0", "uplinks": ["nic0"], "portGroups": [{"name": "pg1"}]}],
  "dvswitches": [{"name": "dvs0", "uplinks": ["nic1"], "dvports": [{"id": "100"}]}]
})";

const sqlite_host::TempHost* testHost = nullptr;

std::unique_ptr<hostnet::Backend> OpenTestHost() { return testHost->Open(); }

// Both phases in this process, as main runs them; returns the exit status.
int RunTool(std::vector<std::string> args) {
  args.insert(args.begin(), "ploncfg-vswitch");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  optind = 0;  // getopt_long starts over
  try {
    const CommandLine line = ParseCommandLine(static_cast<int>(args.size()), argv.data());
    return RunPhase(line);
  } catch (const EndRun& end) {
    return end.status;
  }
}

struct EndCase {
  const char* name;
  std::vector<std::string> args;
  int status;
  std::string stderrText;
  bool usage;  // standard output is the usage text, else empty
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

// Each line ends its run early. Most end with -y, which joins any command and
// whose block, late in the run, would activate ENS on the switch named.
// clang-format off
const EndCase kEndCases[] = {
  {"HelpRunsNoBlock", {"-a", "sw9", "-h"}, 0, "", true},
  {"RefusedOptionRunsNoBlock", {"-a", "sw9", "-t"}, 1, "", true},
  {"ValueErrorRunsNoBlock", {"-v", "4096", "-p", "pg1", "sw0", "-y"}, 1,
   "Invalid vlan id.  Vlan must be between 0-4095: 4096\n", false},
  {"UnbackedDVSwitchKindStopsLaterBlocks", {"-a", "-W", "-I", "etherswitch", "-n", "6", "dvs0", "-y"},
   1, "Implementation class etherswitch cannot be                backed by DVS 6.6\n", false},
  {"RefusedRemovalStopsLaterBlocks", {"-d", "dvs0", "-y"}, 1,
   "Not a valid virtual switch or it is a DVSwitch: dvs0\n", false},
  {"UnlinkedUplinkReleasesPortGroup", {"-M", "nic5", "-p", "pg1", "sw0", "-y"}, 1,
   "Uplink (nic5) does not exist on the switch: sw0\n", false},
  {"UnknownDVPortReleasesDVSwitch", {"-P", "nic1", "-V", "999", "dvs0", "-y"}, 1,
   "Invalid DVPort params 999\n", false},
};
// clang-format on

class EarlyEnd : public testing::TestWithParam<EndCase> {
 protected:
  void SetUp() override {
    // A lock still held after the run makes the next change fail in a second.
    setenv("QUENTA_HOSTNET_WAIT", "1", 1);
    host_ = std::make_unique<sqlite_host::TempHost>();
    host_->Load(kHost);
    testHost = host_.get();
    hostnet::SetBackendOpener(OpenTestHost);
  }
  void TearDown() override {
    hostnet::SetBackendOpener(nullptr);  // closes the run's host connection
    testHost = nullptr;
    host_.reset();
    unsetenv("QUENTA_HOSTNET_WAIT");
  }

  std::unique_ptr<sqlite_host::TempHost> host_;
};

TEST_P(EarlyEnd, EndsOnlyTheRunAndReleasesTheHost) {
  const EndCase& c = GetParam();
  const std::string before = host_->Dump();

  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int status = RunTool(c.args);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), c.stderrText);

  EXPECT_EQ(status, c.status);
  if (c.usage) {
    EXPECT_EQ(out.rfind("ploncfg-vswitch [options] [vswitch[:ports]]\n", 0), 0u) << out;
  } else {
    EXPECT_EQ(out, "");
  }
  // No block after the one that ended the run changed anything.
  EXPECT_EQ(host_->Dump(), before);
  // The run's connection is still open, as in a process that has not ended
  // yet, but nothing it looked up holds the host's writer lock any more.
  EXPECT_NO_THROW(host_->Load(kHost));
}

INSTANTIATE_TEST_SUITE_P(Cases, EarlyEnd, testing::ValuesIn(kEndCases),
                         [](const testing::TestParamInfo<EndCase>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
