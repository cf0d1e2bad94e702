// Runs every case of tests/cases/*.case (format: tests/README.md) against the
// built tools, each case on a fresh host in a folder of its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "backends/ovn/ovn_backend.h"
#include "support/test_cluster.h"
#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovs/ovs_backend.h"
#include "support/test_server.h"
#include "backends/ovsdb/values.h"
#include "backends/sqlite/sqlite_backend.h"
#include "backends/sqlite/store.h"
#include "run_command.h"

namespace {

// One command of a case and what it must print.
struct CaseCommand {
  std::string command, input, expectedStdout, expectedStderr;
  int expectedStatus = 0;
  int line = 0;  // where the command stands in its file
};

struct Case {
  std::string file;  // file name without folder and ".case"
  std::string title;
  int line = 0;  // where the title stands in its file
  std::string onlyOn;  // the one backend ("sqlite", "ovsdb") it runs on; empty: all
  std::vector<CaseCommand> commands;
};

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The expected text of a "> text" or "! text" line, with its newline unless
// the line ends in " (no-eol)".
std::string ExpectedText(const std::string& line) {
  const std::string noEol = " (no-eol)", text = line.size() > 2 ? line.substr(2) : "";
  if (text.size() >= noEol.size() && text.compare(text.size() - noEol.size(), noEol.size(), noEol) == 0) {
    return text.substr(0, text.size() - noEol.size());
  }
  return text + "\n";
}

// The cases of one file; throws std::runtime_error naming the file and line of
// anything it cannot read.
std::vector<Case> ReadCaseFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::vector<Case> cases;
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& why) {
    throw std::runtime_error(path.string() + ":" + std::to_string(number) + ": " + why);
  };
  auto current = [&]() -> CaseCommand& {
    if (cases.empty() || cases.back().commands.empty()) fail("expectation before any command");
    return cases.back().commands.back();
  };
  while (std::getline(in, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    if (StartsWith(line, "== ")) {
      cases.push_back({path.stem().string(), line.substr(3), number, {}, {}});
    } else if (StartsWith(line, "@ ")) {
      if (cases.empty() || !cases.back().commands.empty()) fail("@ must follow a case title");
      cases.back().onlyOn = line.substr(2);
    } else if (StartsWith(line, "$ ")) {
      if (cases.empty()) fail("command before the first case title");
      cases.back().commands.push_back({line.substr(2), "", "", "", 0, number});
    } else if (line == "<" || StartsWith(line, "< ")) {
      current().input += (line.size() > 2 ? line.substr(2) : "") + "\n";
    } else if (line == ">" || StartsWith(line, "> ")) {
      current().expectedStdout += ExpectedText(line);
    } else if (line == "!" || StartsWith(line, "! ")) {
      current().expectedStderr += ExpectedText(line);
    } else if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      current().expectedStatus = std::stoi(line.substr(1, line.size() - 2));
    } else {
      fail("unknown line: " + line);
    }
  }
  return cases;
}

std::vector<Case> AllCases() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(CASES_DIR)) {
    if (entry.path().extension() == ".case") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<Case> all;
  for (const auto& file : files) {
    std::vector<Case> cases = ReadCaseFile(file);
    all.insert(all.end(), cases.begin(), cases.end());
  }
  return all;
}

// How gtest names a case in its messages.
void PrintTo(const Case& c, std::ostream* os) { *os << c.file << ".case: " << c.title; }

// The backend the cases run on: PLONCFG_CASE_BACKEND, "sqlite" when unset.
std::string CaseBackend() {
  const char* backend = std::getenv("PLONCFG_CASE_BACKEND");
  return backend != nullptr && *backend != '\0' ? backend : "sqlite";
}

// The environment that points the tools at a fresh host with the simulated
// host's default contents, on the backend the cases run on. An Open vSwitch
// host is one private ovsdb-server and ovs-vswitchd for the whole process,
// emptied (bridges, records, history) and loaded afresh for each case.
std::vector<std::string> FreshHost(const std::string& dir) {
  if (CaseBackend() == "sqlite") return {"QUENTA_HOSTNET_DB=" + dir + "/hostnet.db"};
  if (CaseBackend() == "ovn") {
    // A simulated host whose DVSwitches live in one private northbound
    // cluster for the whole process, emptied for each case; stopped at exit.
    static ovn::TestCluster cluster;
    std::string path = dir + "/hostnet.db";
    ovn::OvnBackend(std::make_unique<sqlite_host::SqliteBackend>(sqlite_host::SqliteSettings{path}),
                    ovn::ParseOvnSettings(cluster.Remotes(), ""),
                    std::make_unique<rows::RecordsOnlyChassis>("cases"))
        .ReplaceHost(sqlite_host::DefaultHost(), hostnet::SharedDVSwitches::kPrune);
    return {"QUENTA_HOSTNET_DB=" + path, "QUENTA_OVN_NB=" + cluster.Remotes()};
  }
  // Stopped, by its destructor, when the process ends.
  static ovsdb::TestServer server(ovsdb::TestServer::kSwitchSchema);
  static const bool started = (server.StartSwitchDaemon(), true);
  (void)started;
  ovs_host::OvsSettings settings;
  settings.remote = server.UnixRemote();
  settings.datapathType = "dummy";
  settings.pnics = sqlite_host::DefaultHost().pnics;
  ovsdb::Client(server.UnixRemote(), std::chrono::seconds(15))
      .Transact("Open_vSwitch", {ovsdb::Update("Open_vSwitch", {},
                                               {{"bridges", ovsdb::Set({})},
                                                {"external_ids", ovsdb::Map({})},
                                                {"other_config", ovsdb::Map({})}}),
                                 ovsdb::Delete("Queue", {})});
  ovs_host::OvsBackend(settings).ReplaceHost(sqlite_host::DefaultHost(),
                                            hostnet::SharedDVSwitches::kPrune);
  return {"QUENTA_HOSTNET=ovsdb:" + server.UnixRemote(), "QUENTA_OVS_DATAPATH=dummy",
          "QUENTA_OVS_PNICS=nic0 nic1 nic2 nic3"};
}

class CaseTest : public testing::TestWithParam<Case> {};

TEST_P(CaseTest, PrintsExactly) {
  const Case& c = GetParam();
  if (!c.onlyOn.empty() && c.onlyOn != CaseBackend()) GTEST_SKIP() << "for " << c.onlyOn;
  // ctest reports the file skipped on this line (tests/CMakeLists.txt).
  if (CaseBackend() == "ovsdb" && !ovsdb::TestServer::MissingSwitchDaemon().empty()) {
    GTEST_SKIP() << "backend not installed here, needs "
                 << ovsdb::TestServer::MissingSwitchDaemon();
  }
  if (CaseBackend() == "ovn" && !ovn::TestCluster::Missing().empty()) {
    GTEST_SKIP() << "backend not installed here, needs " << ovn::TestCluster::Missing();
  }
  std::string dir = (std::filesystem::temp_directory_path() / "ploncfg-case-XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  const char* path = std::getenv("PATH");
  std::vector<std::string> env = FreshHost(dir);
  env.insert(env.end(), {
                            "PATH=" + std::string(BUILD_DIR) + ":" +
                                (path != nullptr ? path : "/usr/bin:/bin"),
                            "FIXTURES=" + std::string(FIXTURES_DIR),
                            "LC_ALL=C",
                        });
  for (const CaseCommand& command : c.commands) {
    CommandOutput got = RunCommand(command.command, command.input, dir, env);
    std::string where = c.file + ".case:" + std::to_string(command.line) + ": $ " + command.command;
    EXPECT_EQ(command.expectedStdout, got.out) << where << "\n(standard output)";
    EXPECT_EQ(command.expectedStderr, got.err) << where << "\n(standard error)";
    EXPECT_EQ(command.expectedStatus, got.status) << where << "\n(exit status)";
    if (testing::Test::HasFailure()) break;  // later commands depend on this one
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

std::string CaseName(const testing::TestParamInfo<Case>& info) {
  std::string name = info.param.file + "__" + std::to_string(info.param.line) + "_";
  for (char ch : info.param.title) {
    name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  }
  return name.substr(0, 120);
}

INSTANTIATE_TEST_SUITE_P(Cases, CaseTest, testing::ValuesIn(AllCases()), CaseName);

}  // namespace
