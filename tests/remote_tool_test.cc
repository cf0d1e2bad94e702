// The tools against remote databases as an operator points them there: over
// TLS with keys ovs-pki made, on a host whose OpenSSL cannot serve, and at a
// northbound cluster whose first member hangs.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "run_command.h"
#include "support/test_cluster.h"
#include "support/test_server.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kTool = std::string(BUILD_DIR) + "/ploncfg-vswitch";
const std::string kHostTool = std::string(BUILD_DIR) + "/ploncfg-host";

std::vector<std::string> ToolPath() {
  const char* path = std::getenv("PATH");
  return {"PATH=" + std::string(BUILD_DIR) + ":" + (path != nullptr ? path : "/usr/bin:/bin"),
          "LC_ALL=C"};
}

std::vector<std::string> TlsVariables(const ovsdb::TlsFiles& files) {
  return {"QUENTA_SSL_PRIVATE_KEY=" + files.privateKey,
          "QUENTA_SSL_CERTIFICATE=" + files.certificate, "QUENTA_SSL_CA_CERT=" + files.caCert};
}

// A folder of its own for a simulated host.
std::string TempFolder() {
  std::string dir = (std::filesystem::temp_directory_path() / "ploncfg-remote-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  return dir;
}

TEST(ToolOverTls, ChangesBothDatabasesWithTheirCaAndNothingWithAnother) {
  std::string missing = ovsdb::TestServer::MissingSwitchDaemon() + ovsdb::TestPki::Missing() +
                        ovn::TestCluster::Missing();
  if (!missing.empty()) GTEST_SKIP() << "needs " << missing;
  ovsdb::TestPki pki, otherPki;
  ovsdb::TestServer switches(ovsdb::TestServer::kSwitchSchema, pki.Sign("switches"));
  switches.StartSwitchDaemon();
  // A northbound database that is not clustered leads itself.
  ovsdb::TestServer northbound(ovn::TestCluster::kSchema, pki.Sign("northbound"));
  ovsdb::TlsFiles client = pki.Sign("client");
  ovsdb::TlsFiles stranger = otherPki.Sign("stranger");

  std::vector<std::string> env = ToolPath();
  for (std::string variable :
       {"QUENTA_HOSTNET=ovsdb:" + switches.SslRemote(), "QUENTA_OVN_NB=" + northbound.SslRemote(),
        std::string("QUENTA_OVS_DATAPATH=dummy"), std::string("QUENTA_OVS_PNICS=nic0")}) {
    env.push_back(variable);
  }
  std::vector<std::string> right = env, wrong = env;
  for (const std::string& v : TlsVariables(client)) right.push_back(v);
  client.caCert = stranger.caCert;
  for (const std::string& v : TlsVariables(client)) wrong.push_back(v);

  CommandOutput added = RunProcess({kTool, "-a", "sw1"}, right);
  EXPECT_EQ(added.status, 0) << added.err;
  added = RunProcess({kTool, "-a", "-W", "dvs1"}, right);
  EXPECT_EQ(added.status, 0) << added.err;
  CommandOutput listed = RunProcess({kTool, "-c", "dvs1"}, right);
  EXPECT_EQ(listed.out, "1\n") << listed.err;

  CommandOutput refused = RunProcess({kTool, "-a", "sw2"}, wrong);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("cannot connect to " + switches.SslRemote() +
                             ": its certificate does not verify against CA certificate " +
                             stranger.caCert),
            std::string::npos)
      << refused.err;
  listed = RunProcess({kTool, "-c", "sw2"}, right);
  EXPECT_EQ(listed.out, "0\n") << listed.err;
}

// The dynamic loader takes a library from LD_LIBRARY_PATH first, so a folder
// there with a file of its name stands for a host whose copy is broken:
// OpenSSL for a run with an ssl: remote, SQLite for a run on the simulated
// host. The refusal comes before any traffic or query, and names what is
// missing; a tool that linked the library would not start at all.
TEST(ToolWithABrokenLibrary, RefusesWhatNeedsItNamingThePackage) {
  std::string dir = TempFolder();
  ovsdb::TlsFiles files{dir + "/key.pem", dir + "/cert.pem", dir + "/ca.pem"};
  for (const std::string& file : {files.privateKey, files.certificate, files.caCert}) {
    std::ofstream(file) << "never read\n";
    chmod(file.c_str(), 0600);
  }
  Dl_info libc{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&getpid), &libc), 0);
  std::ofstream(dir + "/empty").close();
  // No server: the refusal comes before the tool connects anywhere.
  const std::string remote = "ssl:127.0.0.1:1";
  std::vector<std::string> sslRun = {"QUENTA_HOSTNET=ovsdb:" + remote};
  for (const std::string& v : TlsVariables(files)) sslRun.push_back(v);

  struct Library {
    const char* soname;
    std::vector<std::string> run;  // the run's own settings
    std::string message;           // what its refusal starts with
  };
  const Library libraries[] = {
      {"libssl.so.3", sslRun,
       "cannot connect to " + remote + ": TLS needs libssl.so.3 (package libssl3): "},
      {"libsqlite3.so.0", {"QUENTA_HOSTNET=sqlite:" + dir + "/host.db"},
       "cannot open host database " + dir +
           "/host.db: the simulated host needs libsqlite3.so.0 (package libsqlite3-0): "},
  };
  struct Copy {
    const char* name;
    std::string file;    // the file a symbolic link of the library's name points to
    std::string reason;  // what the loader's reason says
  };
  const Copy copies[] = {
      {"not a library", dir + "/empty", "file too short"},
      {"a library without the functions", libc.dli_fname, "undefined symbol: "},
  };
  for (const Library& library : libraries) {
    for (const Copy& copy : copies) {
      SCOPED_TRACE(std::string(library.soname) + ", " + copy.name);
      const std::string link = dir + "/" + library.soname;
      std::filesystem::remove(link);
      std::filesystem::create_symlink(copy.file, link);
      std::vector<std::string> env = ToolPath();
      env.push_back("LD_LIBRARY_PATH=" + dir);
      env.push_back("QUENTA_HOSTNET_CONF=" + dir + "/empty");
      env.insert(env.end(), library.run.begin(), library.run.end());

      CommandOutput checked = RunProcess({kTool, "-c", "sw1"}, env);
      EXPECT_EQ(checked.status, 1);
      EXPECT_EQ(checked.out, "");
      std::string::size_type at = checked.err.find(library.message);
      EXPECT_NE(at, std::string::npos) << checked.err;
      EXPECT_NE(checked.err.find(copy.reason, at), std::string::npos) << checked.err;
      std::filesystem::remove(link);
    }
  }
  std::filesystem::remove_all(dir);
}

TEST(ToolWithAFrozenMember, AddsADVSwitchWhileTheOthersLead) {
  if (!ovn::TestCluster::Missing().empty()) GTEST_SKIP() << "needs " << ovn::TestCluster::Missing();
  ovn::TestCluster cluster;
  std::string dir = TempFolder();
  std::vector<std::string> env = ToolPath();
  env.push_back("QUENTA_HOSTNET_DB=" + dir + "/hostnet.db");
  // A host with something to say of itself: a stopped switch.
  ASSERT_EQ(RunProcess({kHostTool, "reboot"}, env).status, 0);
  const std::string own = RunProcess({kHostTool, "status"}, env).out;
  ASSERT_NE(own, "");
  env.push_back("QUENTA_OVN_NB=" + cluster.Remotes());
  ASSERT_EQ(kill(cluster.Pid(0), SIGSTOP), 0);

  // Whether the frozen member led or not, the others have a leader within
  // an election's time, and the frozen one costs the tool a probe (a second)
  // rather than its timeout.
  Clock::time_point start = Clock::now();
  CommandOutput added = RunProcess({kTool, "-a", "-W", "dvs1"}, env);
  auto took = Clock::now() - start;
  // Status names the member in one line, after what it says of the host.
  CommandOutput status = RunProcess({kHostTool, "status"}, env);
  kill(cluster.Pid(0), SIGCONT);
  EXPECT_EQ(added.status, 0) << added.err;
  EXPECT_LT(took, std::chrono::seconds(1) + ovn::TestCluster::kElectionBudget);
  EXPECT_EQ(status.status, 1);
  const std::string member = "a member of the OVN northbound database does not answer as one: ";
  EXPECT_EQ(status.out.substr(0, own.size() + member.size()), own + member) << status.out;
  EXPECT_EQ(std::count(status.out.begin(), status.out.end(), '\n'),
            std::count(own.begin(), own.end(), '\n') + 1);

  // With no member to answer, the same, and one line that says so.
  env.back() = "QUENTA_OVN_NB=unix:" + dir + "/nowhere.sock";
  env.push_back("QUENTA_OVN_TIMEOUT=1");
  status = RunProcess({kHostTool, "status"}, env);
  EXPECT_EQ(status.status, 1);
  EXPECT_EQ(status.out.substr(0, own.size()), own) << status.out;
  EXPECT_NE(status.out.find("the DVSwitches of this host cannot be read"), std::string::npos);
  std::filesystem::remove_all(dir);
}

}  // namespace
