// The OVN backend against a private three-member northbound cluster: hosts
// that share it, and the cluster losing its leader or its quorum.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/forked.h"
#include "backends/ovn/ovn_backend.h"
#include "support/test_cluster.h"
#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "support/test_host.h"
#include "hostnet/quorvic_exception.h"
#include "support/message_of.h"

namespace ovn {
namespace {

using Clock = std::chrono::steady_clock;
using Quorvic::Lib::QuorvicException;

// The runs' timeout: short, so that a test of a run that must end in its
// time ends soon.
constexpr std::chrono::seconds kTimeout{3};
// What a loaded machine (ctest --parallel beside a build) may add to a wait:
// the run, the members and the test itself scheduled late.
constexpr std::chrono::seconds kLoadSlack{2};

class OvnCluster : public testing::Test {
 protected:
  void SetUp() override {
    std::string missing = TestCluster::Missing();
    if (!missing.empty()) GTEST_SKIP() << "needs " << missing;
    cluster_ = std::make_unique<TestCluster>();
  }

  // A run on local host that keeps its DVSwitches in the cluster.
  std::unique_ptr<hostnet::Backend> Open(const sqlite_host::TempHost& host,
                                         std::chrono::milliseconds timeout = kTimeout) {
    OvnSettings settings = ParseOvnSettings(cluster_->Remotes(), "");
    settings.timeout = timeout;
    return std::make_unique<OvnBackend>(host.Open(), settings,
                                        std::make_unique<rows::RecordsOnlyChassis>(host.Path()));
  }

  static void AddDV(hostnet::Backend& b, const std::string& name) {
    b.GetVirtualSwitchInfo()->AddDVSwitch("uuid-" + name, name, "cls", name + "-dvs", 64, 6, 0);
  }

  static std::string DVNames(hostnet::Backend& b) {
    std::string names;
    for (const auto& dvs : b.GetVirtualSwitchInfo()->GetDVSwitches()) names += dvs->GetName() + " ";
    return names;
  }

  // The names of the cluster's logical switches, as its leader tells anyone.
  std::vector<std::string> LogicalSwitches() {
    ovsdb::Client client(cluster_->Remote(cluster_->Leader()), std::chrono::seconds(5));
    std::vector<nlohmann::json> result =
        client.Transact("OVN_Northbound", {ovsdb::Select("Logical_Switch", {}, {"name"})});
    std::vector<std::string> names;
    for (const auto& row : result[0]["rows"]) names.push_back(row["name"]);
    return names;
  }

  std::unique_ptr<TestCluster> cluster_;
};

TEST_F(OvnCluster, HostsShareDVSwitchesAndOneNamespace) {
  sqlite_host::TempHost hostA, hostB;
  hostA.Load(R"({"pnics": ["nic0"], "switches": [{"name": "sw1"}]})");
  hostB.Load(R"({"pnics": ["nic0"], "switches": [{"name": "sw2"}]})");
  auto a = Open(hostA);
  auto b = Open(hostB);
  AddDV(*a, "dvs1");
  EXPECT_EQ(DVNames(*b), "dvs1 ");
  b->GetDVSwitchByName("dvs1")->SetMtu(9000);
  // A run reads from one snapshot; the next run of host A sees B's change.
  EXPECT_EQ(Open(hostA)->GetDVSwitchByName("dvs1")->GetMtu(), 9000u);
  EXPECT_EQ(LogicalSwitches(), std::vector<std::string>{"dvs1"});

  EXPECT_THROW(b->GetVirtualSwitchInfo()->AddVirtualSwitch({}, {}, {}, {}, "dvs1", 64),
               QuorvicException);
  EXPECT_THROW(AddDV(*a, "sw1"), QuorvicException);
  EXPECT_EQ(a->ReadHost().switches.size(), 1u);

  b->GetVirtualSwitchInfo()->RemoveVirtualSwitch("dvs1");
  EXPECT_EQ(DVNames(*a), "");
}

// Logical_Switch names are not unique in the schema: hosts adding one name
// at the same time must still end with one switch.
TEST_F(OvnCluster, ConcurrentAddsOfOneNameMakeOneSwitch) {
  constexpr int kRuns = 6;
  sqlite_host::TempHost host;
  host.Load(R"({"pnics": ["nic0"]})");
  int added = 0;
  for (int status : RunForked(kRuns, [&](int) {
         try {
           AddDV(*Open(host), "race");
           return 0;
         } catch (const QuorvicException& e) {
           return e.GetMessage().find("already exists") == std::string::npos ? 2 : 1;
         }
       })) {
    EXPECT_TRUE(status == 0 || status == 1) << status;
    added += status == 0;
  }
  EXPECT_EQ(added, 1);
  EXPECT_EQ(LogicalSwitches(), std::vector<std::string>{"race"});
}

// Every change rewrites the switch and its DVPorts from what it read: two
// hosts changing one DVSwitch at the same time lose no change reported done
// (a writer that keeps losing gives up clearly; on a busy machine some do).
TEST_F(OvnCluster, ConcurrentChangesOfOneDVSwitchLoseNone) {
  constexpr int kRuns = 25;
  sqlite_host::TempHost hosts[2];
  for (const auto& host : hosts) host.Load(R"({"pnics": ["nic0"]})");
  hostnet::HostDocument doc = Open(hosts[0])->ReadHost();
  doc.dvswitches.push_back({{}, {{{}, "1", {}, 0, {}, 0}}});
  doc.dvswitches.back().row.name = "dvs0";
  doc.dvswitches.back().row.switchId = "id-0";
  Open(hosts[0])->ReplaceHost(doc, hostnet::SharedDVSwitches::kPrune);
  auto addTestEvents = [&](int writer) {
    int done = 0;
    for (int run = 0; run < kRuns; ++run) {
      try {
        Open(hosts[writer])->OpenDVPort({"id-0", "1", 0})->TestDVPortZet();
        ++done;
      } catch (const QuorvicException& e) {
        if (e.GetMessage().find("kept changing") == std::string::npos) return 255;
      }
    }
    return done;
  };
  uint32_t done = 0;
  for (int status : RunForked(2, addTestEvents)) {
    ASSERT_TRUE(status >= 0 && status < 254) << status;
    done += static_cast<uint32_t>(status);
  }
  EXPECT_GT(done, 0u);
  EXPECT_EQ(Open(hosts[0])->ReadHost().dvswitches.at(0).dvports.at(0).testEvents, done);
}

// The run's timeout is three elections long, so a run that waits it out
// shows apart from one that waits for the election alone.
TEST_F(OvnCluster, AChangeAfterTheLeaderDiesWaitsOnlyForTheElection) {
  sqlite_host::TempHost host;
  host.Load(R"({"pnics": ["nic0"]})");
  AddDV(*Open(host), "before");
  cluster_->Kill(cluster_->Leader());
  Clock::time_point start = Clock::now();
  AddDV(*Open(host, 3 * TestCluster::kElectionBudget), "after");
  EXPECT_LT(Clock::now() - start, TestCluster::kElectionBudget);
  EXPECT_EQ(DVNames(*Open(host)), "before after ");
}

TEST_F(OvnCluster, AReadAfterTheLeaderDiedMidRunIsAskedOfTheNextLeader) {
  sqlite_host::TempHost host;
  host.Load(R"({"pnics": ["nic0"]})");
  AddDV(*Open(host), "kept");
  auto run = Open(host, 3 * TestCluster::kElectionBudget);
  EXPECT_EQ(DVNames(*run), "kept ");
  cluster_->Kill(cluster_->Leader());
  EXPECT_EQ(DVNames(*run), "kept ");
}

TEST_F(OvnCluster, AChangeWithoutQuorumEndsInTimeSayingItsOutcomeIsUnknown) {
  sqlite_host::TempHost host;
  host.Load(R"({"pnics": ["nic0"]})");
  AddDV(*Open(host), "kept");
  auto run = Open(host);
  hostnet::HostDocument doc = run->ReadHost();  // connects to the leader
  doc.dvswitches.push_back({{}, {{{}, "1", {}, 0, {}, 0}, {{}, "2", {}, 0, {}, 0}}});
  doc.dvswitches.back().row.name = "lost";
  std::vector<int> killed;
  for (int i = 0; i < TestCluster::kMembers; ++i) {
    if (i != cluster_->Leader()) killed.push_back(i);
  }
  for (int member : killed) cluster_->Kill(member);

  // The leader takes the change and never answers.
  Clock::time_point start = Clock::now();
  std::string message =
      ovsdb::MessageOf([&] { run->ReplaceHost(doc, hostnet::SharedDVSwitches::kUpdate); });
  EXPECT_NE(message.find("may or may not have been applied"), std::string::npos) << message;
  EXPECT_LT(Clock::now() - start, kTimeout + kLoadSlack);
  // A new run finds no leader, or a member that has not noticed yet that it
  // lost its quorum and answers nothing: one timeout either way.
  start = Clock::now();
  message = ovsdb::MessageOf([&] { AddDV(*Open(host), "later"); });
  EXPECT_TRUE(message.find("leads it") != std::string::npos ||
              message.find("did not answer within") != std::string::npos)
      << message;
  EXPECT_LT(Clock::now() - start, kTimeout + kLoadSlack);

  for (int member : killed) cluster_->Start(member);
  // Whatever became of the change, no DVSwitch is half there. The run waits
  // for the members to elect a leader again.
  for (const hostnet::DVSwitchDoc& dvs :
       Open(host, 3 * TestCluster::kElectionBudget)->ReadHost().dvswitches) {
    EXPECT_TRUE(dvs.row.name == "kept" || (dvs.row.name == "lost" && dvs.dvports.size() == 2))
        << dvs.row.name << " with " << dvs.dvports.size() << " DVPorts";
  }
}

}  // namespace
}  // namespace ovn
