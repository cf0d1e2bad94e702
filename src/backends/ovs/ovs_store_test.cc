// What only the Open vSwitch host does; what every host does is in
// tests/contract.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <set>
#include <thread>

#include "backends/ovs/bridge_mappings.h"
#include "backends/ovs/ovs_backend.h"
#include "backends/ovs/ovs_chassis.h"
#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"
#include "run_command.h"
#include "support/forked.h"
#include "support/message_of.h"
#include "support/ovsdb_proxy.h"
#include "support/test_server.h"

namespace ovs_host {
namespace {

using namespace rows;
using nlohmann::json;

// A private switch database with its root row and one switch, sw0, without
// ovs-vswitchd: nothing is applied to a datapath.
class OvsStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string missing = ovsdb::TestServer::Missing(ovsdb::TestServer::kSwitchSchema);
    if (ovsdb::FindProgram("ovs-vsctl").empty()) {
      missing += std::string(missing.empty() ? "" : ", ") + "ovs-vsctl";
    }
    if (!missing.empty()) GTEST_SKIP() << "not installed: " << missing;
    server_ = std::make_unique<ovsdb::TestServer>(ovsdb::TestServer::kSwitchSchema);
    settings_.remote = server_->UnixRemote();
    settings_.pnics = std::vector<std::string>{"nic0"};
    settings_.applyWait = std::chrono::milliseconds(0);
    Db().Transact("Open_vSwitch", {ovsdb::Insert("Open_vSwitch", json::object())});
    HostDocument doc;
    doc.pnics = {"nic0"};
    doc.switches.push_back({});
    doc.switches[0].row.name = "sw0";
    OvsBackend(settings_).HostStore().ReplaceHost(doc);
  }

  ovsdb::Client Db() { return ovsdb::Client(server_->UnixRemote(), std::chrono::seconds(15)); }
  bool BridgeExists(const std::string& name) {
    return !Db().Transact("Open_vSwitch",
                          {ovsdb::Select("Bridge", {ovsdb::Condition("name", "==", name)},
                                         {"_uuid"})})[0]["rows"]
                .empty();
  }
  StandardSwitchDoc NewSwitch(const std::string& name) {
    StandardSwitchDoc sw;
    sw.row.name = name;
    sw.row.numPorts = sw.row.configuredPorts = 128;
    return sw;
  }

  std::unique_ptr<ovsdb::TestServer> server_;
  OvsSettings settings_;
};

// Changes that read a bridge's record and write it back, from two processes
// at once and without the lock that runs of the tool take, while ovs-vsctl
// changes the same bridge's other keys and ports: the waits on what each
// read make the later one start again, so every change reported done is
// there at the end, and others' keys stay. A writer that keeps losing gives
// up, clearly and having changed nothing; on a busy machine some do.
TEST_F(OvsStoreTest, ConcurrentWritersAndOvsVsctlLoseNothing) {
  constexpr int kAdds = 30;
  const std::string vsctl =
      ovsdb::FindProgram("ovs-vsctl") + " --timeout=10 --no-wait --db=" + server_->UnixRemote();
  // Another program changes the bridge's ports and its own key about 50
  // times a second, far more often than VMs come and go on a real host. It
  // runs in a process group of its own, so that killing the group also ends
  // an ovs-vsctl it started.
  pid_t churn = fork();
  if (churn == 0) {
    setpgid(0, 0);
    for (int i = 0;; ++i) {
      std::string command = vsctl + " set bridge sw0 external_ids:theirs=" + std::to_string(i) +
                            " -- --may-exist add-port sw0 other" + std::to_string(i % 2) +
                            " -- --if-exists del-port other" + std::to_string(1 - i % 2) +
                            " >/dev/null 2>&1";
      if (std::system(command.c_str()) != 0) _exit(1);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  setpgid(churn, churn);
  // The writers take well under a second; they start only once ovs-vsctl
  // has made its first change, so that there is a key of others' to keep.
  auto theirs = [&] {
    json ids = Db().Transact(
        "Open_vSwitch",
        {ovsdb::Select("Bridge", {}, {"external_ids"})})[0]["rows"][0]["external_ids"];
    return ovsdb::ReadMap(ids).count("theirs");
  };
  for (int waited = 0; theirs() == 0 && waited < 1000; ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (theirs() == 0) {
    kill(-churn, SIGKILL);
    waitpid(churn, nullptr, 0);
    FAIL() << "ovs-vsctl made no change in 10 s";
  }
  // On a starved machine a change may lose to the churn until its retries
  // give up (seconds each); the writers then stop early rather than outlive
  // the test: what is checked is that nothing is lost, not how much is done.
  const auto stopAt = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  auto addGroups = [&](int process) {
    int done = 0;
    OvsBackend backend(settings_);
    RowStore& store = backend.HostStore();
    for (int i = 0; i < kAdds && std::chrono::steady_clock::now() < stopAt; ++i) {
      try {
        std::optional<StandardSwitchDoc> sw = store.FindSwitch(SwitchKey::Name("sw0"));
        store.EditSwitch(sw->row.ref, [&](StandardSwitchDoc& doc) {
          doc.portGroups.push_back({});
          doc.portGroups.back().name = "pg" + std::to_string(process) + "_" + std::to_string(i);
        });
        ++done;
      } catch (const Quorvic::Lib::QuorvicException& e) {
        if (e.GetMessage().find("gave up") == std::string::npos) {
          fprintf(stderr, "process %d: %s\n", process, e.what());
          return 255;
        }
      }
    }
    return done;
  };
  size_t done = 0;
  for (int status : RunForked(2, addGroups)) {
    ASSERT_TRUE(status >= 0 && status < 254) << status;
    done += status;
  }
  kill(-churn, SIGKILL);
  waitpid(churn, nullptr, 0);
  EXPECT_GT(done, 0u);
  EXPECT_EQ(OvsBackend(settings_).HostStore().ReadSwitches(false).at(0).portGroups.size(), done);
  EXPECT_EQ(theirs(), 1u);
}

// A change whose answer is lost is looked for on a new connection: one the
// server committed is reported done, one it never saw is reported not done,
// and either way the host shows what was said. (When no new connection gets
// through, the run says it cannot tell: tests/reliability/server_kills.)
TEST_F(OvsStoreTest, AChangeWhoseAnswerIsLostSaysWhatTheDatabaseHolds) {
  ovsdb::OvsdbProxy proxy(server_->UnixRemote());
  OvsSettings through = settings_;
  through.remote = proxy.UnixRemote();
  OvsBackend backend(through);
  RowStore& store = backend.HostStore();

  proxy.CutNextWrite(ovsdb::OvsdbProxy::Cut::kAfterWrite);
  EXPECT_NO_THROW(store.AddSwitch(NewSwitch("sw1")));
  EXPECT_TRUE(BridgeExists("sw1"));

  proxy.CutNextWrite(ovsdb::OvsdbProxy::Cut::kBeforeWrite);
  const std::string message = ovsdb::MessageOf([&] { store.AddSwitch(NewSwitch("sw2")); });
  EXPECT_NE(message.find("was not applied: nothing was changed"), std::string::npos) << message;
  EXPECT_FALSE(BridgeExists("sw2"));
}

// Plays ovs-vswitchd while it lives: applies each configuration the database
// asks for, and, when told, removes bridge sw1 as it does, or cannot open
// the interface named failing.
class PlayedVswitchd {
 public:
  PlayedVswitchd(const std::string& remote, bool removesSw1, const std::string& failing = "")
      : thread_([this, remote, removesSw1, failing] {
          ovsdb::Client db(remote, std::chrono::seconds(15));
          while (!stop_) {
            json root = db.Transact(
                "Open_vSwitch", {ovsdb::Select("Open_vSwitch", {}, {"next_cfg"})})[0]["rows"][0];
            json bridge = db.Transact(
                "Open_vSwitch", {ovsdb::Select("Bridge", {ovsdb::Condition("name", "==", "sw1")},
                                               {"_uuid"})})[0]["rows"];
            std::vector<json> apply;
            if (removesSw1 && !bridge.empty()) {
              apply.push_back(ovsdb::Mutate(
                  "Open_vSwitch", {},
                  {ovsdb::Mutation("bridges", "delete", ovsdb::Set({bridge[0]["_uuid"]}))}));
            }
            apply.push_back(ovsdb::Update("Open_vSwitch", {}, {{"cur_cfg", root["next_cfg"]}}));
            apply.push_back(ovsdb::Update("Interface", {}, {{"ofport", 1}}));
            if (!failing.empty()) {
              apply.push_back(ovsdb::Update("Interface", {ovsdb::Condition("name", "==", failing)},
                                            {{"error", "could not open network device"}}));
            }
            db.Transact("Open_vSwitch", apply);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
          }
        }) {}
  ~PlayedVswitchd() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// What ovs-vsctl changes between a run's read and its write is not lost: the
// write waits on what was read, fails, and the run starts again from what is
// there. A VM's port that joins a group, or a switch, as it is removed stops
// the removal.
TEST_F(OvsStoreTest, AVmPortAddedBetweenTheReadAndTheWriteStopsARemoval) {
  ovsdb::OvsdbProxy proxy(server_->UnixRemote());
  OvsSettings through = settings_;
  through.remote = proxy.UnixRemote();
  const RowRef sw0 = OvsBackend(settings_).HostStore().FindSwitch(SwitchKey::Name("sw0"))->row.ref;
  OvsBackend(settings_).HostStore().EditSwitch(sw0, [](StandardSwitchDoc& doc) {
    doc.portGroups.push_back({});
    doc.portGroups.back().name = "web";
  });
  const std::string vsctl =
      ovsdb::FindProgram("ovs-vsctl") + " --no-wait --db=" + server_->UnixRemote();
  auto vsctlBeforeNextWrite = [&](const std::string& arguments) {
    proxy.BeforeNextWrite([command = vsctl + " " + arguments] {
      ovsdb::RunProgram({"/bin/sh", "-c", command});
    });
  };

  vsctlBeforeNextWrite(
      "add-port sw0 vm1 -- set interface vm1 type=dummy -- set port vm1 "
      "'external_ids:\"quenta:port-group\"=web'");
  EXPECT_EQ(ovsdb::MessageOf([&] {
              OvsBackend(through).HostStore().EditSwitch(
                  sw0, [](StandardSwitchDoc& doc) { doc.portGroups.clear(); });
            }),
            "port group web has ports in use (vm1); remove them from it first");

  ovsdb::RunProgram({"/bin/sh", "-c", vsctl + " del-port sw0 vm1"});
  vsctlBeforeNextWrite("add-port sw0 vm2 -- set interface vm2 type=dummy");
  EXPECT_EQ(ovsdb::MessageOf([&] { OvsBackend(through).HostStore().RemoveSwitch(sw0); }),
            "standard switch sw0 has ports ploncfg did not make (vm2); `ovs-vsctl del-port sw0 "
            "PORT` removes one");
  EXPECT_TRUE(BridgeExists("sw0"));
}

// A switch another run removes after the add committed, before ovs-vswitchd
// applied it: the add did what it said, so it is reported done and not
// "undone". The test plays ovs-vswitchd, removing the bridge as it applies.
TEST_F(OvsStoreTest, AnAddOthersUndoBeforeTheDatapathAppliesItIsStillDone) {
  OvsSettings waiting = settings_;
  waiting.applyWait = std::chrono::seconds(5);
  std::string refused;
  {
    PlayedVswitchd vswitchd(server_->UnixRemote(), true);
    refused =
        ovsdb::MessageOf([&] { OvsBackend(waiting).HostStore().AddSwitch(NewSwitch("sw1")); });
  }
  EXPECT_EQ(refused, "no exception");
  EXPECT_FALSE(BridgeExists("sw1"));
}

// A pnic the datapath cannot open is taken off the DVSwitch's bridge again,
// and the history row the wiring wrote as done is rewritten as refused by
// the transaction that undoes it.
TEST_F(OvsStoreTest, AWiringTheDatapathRefusesIsUndoneAndRecordedRefused) {
  OvsSettings waiting = settings_;
  waiting.applyWait = std::chrono::seconds(5);
  OvsSession session(waiting);
  OvsChassis chassis(session);
  HistoryRow staged;
  staged.done = true;
  session.StageHistory(staged);
  std::string refused;
  {
    PlayedVswitchd vswitchd(server_->UnixRemote(), false, "nic0");
    refused = ovsdb::MessageOf([&] { chassis.Wire("quenta-dvs0", "dvs0", {"nic0"}); });
  }
  EXPECT_EQ(session.UnstageHistory(), StagedRow::kWrittenRefused) << refused;
  const std::vector<HistoryRow> history = session.ReadHistory(0);
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(history[0].message, refused);
  EXPECT_FALSE(BridgeExists(BridgeNameFor("quenta-dvs0")));
}

// Without ovs-vswitchd a change stays in the database and says so, in the
// unit of the setting that bounds the wait, and status names the cause.
TEST_F(OvsStoreTest, WithoutOvsVswitchdAChangeSaysWhatHappenedAndStatusWhy) {
  OvsSettings waiting = settings_;
  waiting.applyWait = std::chrono::seconds(1);
  OvsBackend backend(waiting);
  RowStore& store = backend.HostStore();
  EXPECT_EQ(ovsdb::MessageOf([&] { store.AddSwitch(NewSwitch("sw1")); }),
            "adding standard switch sw1: the database holds the change, but ovs-vswitchd did not "
            "apply it within 1 s (is it running? `systemctl start openvswitch-switch` starts it)");
  EXPECT_TRUE(BridgeExists("sw1"));
  const std::vector<std::string> health = store.Health();
  ASSERT_FALSE(health.empty());
  EXPECT_EQ(health[0],
            "ovs-vswitchd is not running, so nothing applies the switch database: "
            "`systemctl start openvswitch-switch` starts it");
}

// What each command of the tools asks of the switch database, counted at a
// proxy, on a switch with a VM port in its group: few requests (the faults
// and the root in one, the switch with our ports in one, one transaction per
// library write, with its history row), every write naming the command, and
// no lock.
TEST_F(OvsStoreTest, EachCommandSendsAtMostItsRequests) {
  OvsBackend setup(settings_);
  RowStore& host = setup.HostStore();
  host.EditSwitch(host.FindSwitch(SwitchKey::Name("sw0"))->row.ref, [](StandardSwitchDoc& doc) {
    doc.portGroups.push_back({});
    doc.portGroups.back().name = "pg0";
  });
  ovsdb::RunProgram({"/bin/sh", "-c",
                     ovsdb::FindProgram("ovs-vsctl") + " --no-wait --db=" + server_->UnixRemote() +
                         " add-port sw0 vm1 -- set port vm1 "
                         "'external_ids:\"quenta:port-group\"=pg0'"});
  ovsdb::OvsdbProxy proxy(server_->UnixRemote());
  const std::vector<std::string> env = {"QUENTA_HOSTNET=ovsdb:" + proxy.UnixRemote(),
                                        "QUENTA_OVS_APPLY_WAIT=0", "QUENTA_OVS_PNICS=nic0 nic1"};
  struct Command {
    std::vector<std::string> args;
    int requests;
    int writes;
  };
  const Command commands[] = {
      {{"-c", "sw0"}, 2, 0},         {{"-c", "none"}, 2, 0},
      {{"-C", "pg0"}, 2, 0},         {{"-a", "sw1"}, 3, 1},
      {{"-A", "pg1", "sw0"}, 3, 1},  {{"-v", "10", "-p", "pg0", "sw0"}, 3, 1},
      {{"-m", "9000", "sw0"}, 3, 1}, {{"-X", "1", "sw0"}, 4, 1},
      {{"-L", "nic1", "sw0"}, 5, 2}, {{"-U", "nic1", "sw0"}, 5, 2},
      {{"-d", "sw1"}, 3, 1},         {{"fault", "AddUplink", "--message", "m"}, 2, 1},
  };
  for (const Command& command : commands) {
    const std::string tool = command.args[0][0] == '-' ? "ploncfg-vswitch" : "ploncfg-host";
    std::vector<std::string> argv = {std::string(BUILD_DIR) + "/" + tool};
    std::string line = tool;
    for (const std::string& arg : command.args) {
      argv.push_back(arg);
      line += " " + arg;
    }
    proxy.ResetCounts();
    const CommandOutput run = RunProcess(argv, env);
    EXPECT_EQ(run.status, 0) << line << ": " << run.err;
    EXPECT_LE(proxy.RequestCount(), command.requests) << line;
    EXPECT_EQ(proxy.Writes(), command.writes) << line;
    EXPECT_EQ(proxy.UncommentedWrites(), 0) << line;
    EXPECT_EQ(proxy.Requests().count("lock"), 0u) << line;
  }
}

}  // namespace
}  // namespace ovs_host
