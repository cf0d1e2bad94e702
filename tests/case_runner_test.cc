// Runs every case of tests/cases/*.case against the built tools, each case on
// a fresh host in a folder of its own.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "backends/ovn/ovn_backend.h"
#include "backends/ovn/test_cluster.h"
#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/ovs_backend.h"
#include "backends/ovsdb/values.h"
#include "backends/ovsdb/test_server.h"
#include "backends/sqlite/sqlite_backend.h"
#include "backends/sqlite/store.h"
#include "case_file.h"
#include "run_command.h"

// How gtest names a case in its messages.
void PrintTo(const Case& c, std::ostream* os) { *os << c.file << ".case: " << c.title; }

namespace {

std::vector<Case> AllCases() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(CASES_DIR)) {
    if (entry.path().extension() == ".case") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  std::vector<Case> all;
  for (const std::string& file : files) {
    std::vector<Case> cases = ReadCaseFile(file);
    all.insert(all.end(), cases.begin(), cases.end());
  }
  return all;
}

// A temporary folder removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ploncfg-case-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The backend the cases run on: PLONCFG_CASE_BACKEND, "sqlite" when unset.
std::string CaseBackend() {
  const char* backend = std::getenv("PLONCFG_CASE_BACKEND");
  return backend != nullptr && *backend != '\0' ? backend : "sqlite";
}

// The environment that points the tools at a fresh host with the simulated
// host's default contents, on the backend the cases run on. An Open vSwitch
// host is one private ovsdb-server and ovs-vswitchd for the whole process,
// loaded afresh for each case.
std::vector<std::string> FreshHost(const ScratchDir& dir) {
  if (CaseBackend() == "sqlite") return {"QUENTA_HOSTNET_DB=" + dir.path() + "/hostnet.db"};
  if (CaseBackend() == "ovn") {
    // A simulated host whose DVSwitches live in one private northbound
    // cluster for the whole process, emptied for each case; stopped at exit.
    static ovn::TestCluster cluster;
    std::string path = dir.path() + "/hostnet.db";
    ovn::OvnBackend(std::make_unique<sqlite_host::SqliteBackend>(path),
                    ovn::ParseOvnSettings(cluster.Remotes(), ""))
        .ReplaceHost(sqlite_host::DefaultHost());
    return {"QUENTA_HOSTNET_DB=" + path, "QUENTA_OVN_NB=" + cluster.Remotes()};
  }
  static ovsdb::TestServer* server = [] {
    auto* started = new ovsdb::TestServer(ovsdb::TestServer::kSwitchSchema);
    started->StartSwitchDaemon();
    return started;
  }();
  ovs_host::OvsSettings settings;
  settings.remote = server->UnixRemote();
  settings.datapathType = "dummy";
  settings.pnics = sqlite_host::DefaultHost().pnics;
  ovsdb::Client(server->UnixRemote(), std::chrono::seconds(15))
      .Transact("Open_vSwitch", {ovsdb::Update("Open_vSwitch", {}, {{"bridges", ovsdb::Set({})}})});
  ovs_host::OvsBackend(settings).ReplaceHost(sqlite_host::DefaultHost());
  return {"QUENTA_HOSTNET=ovsdb:" + server->UnixRemote(), "QUENTA_OVS_DATAPATH=dummy",
          "QUENTA_OVS_PNICS=nic0 nic1 nic2 nic3"};
}

class CaseTest : public testing::TestWithParam<Case> {};

TEST_P(CaseTest, PrintsExactly) {
  const Case& c = GetParam();
  if (!c.onlyOn.empty() && c.onlyOn != CaseBackend()) GTEST_SKIP() << "for " << c.onlyOn;
  if (CaseBackend() == "ovsdb" && !ovsdb::TestServer::MissingSwitchDaemon().empty()) {
    GTEST_SKIP() << "needs " << ovsdb::TestServer::MissingSwitchDaemon();
  }
  if (CaseBackend() == "ovn" && !ovn::TestCluster::Missing().empty()) {
    GTEST_SKIP() << "needs " << ovn::TestCluster::Missing();
  }
  ScratchDir dir;
  const char* path = std::getenv("PATH");
  std::vector<std::string> env = FreshHost(dir);
  env.insert(env.end(), {
                            "PATH=" + std::string(BUILD_DIR) + ":" +
                                (path != nullptr ? path : "/usr/bin:/bin"),
                            "FIXTURES=" + std::string(FIXTURES_DIR),
                            "LC_ALL=C",
                        });
  for (const CaseCommand& command : c.commands) {
    CommandOutput got = RunCommand(command.command, command.input, dir.path(), env);
    std::string where = c.file + ".case:" + std::to_string(command.line) + ": $ " + command.command;
    EXPECT_EQ(command.expectedStdout, got.out) << where << "\n(standard output)";
    EXPECT_EQ(command.expectedStderr, got.err) << where << "\n(standard error)";
    EXPECT_EQ(command.expectedStatus, got.status) << where << "\n(exit status)";
    if (testing::Test::HasFailure()) return;  // later commands depend on this one
  }
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
