// What only the Open vSwitch host does; what every host does is in
// tests/contract.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <set>

#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovs/ovs_backend.h"
#include "backends/ovs/ovs_store.h"
#include "support/test_server.h"

namespace ovs_host {
namespace {

using namespace rows;

// Changes that read a bridge's record and write it back, from two processes
// at once and without the lock that runs of the tool take: the waits on what
// each read make the later one start again, so every change reported done is
// there at the end. A writer that keeps losing gives up, clearly and having
// changed nothing; on a busy machine some do.
TEST(OvsStore, ConcurrentChangesOfOneRecordLoseNothingWithoutTheLock) {
  if (!ovsdb::TestServer::Missing(ovsdb::TestServer::kSwitchSchema).empty()) GTEST_SKIP();
  ovsdb::TestServer server(ovsdb::TestServer::kSwitchSchema);
  OvsSettings settings;
  settings.remote = server.UnixRemote();
  settings.pnics = std::vector<std::string>{"nic0"};
  settings.applyWait = std::chrono::milliseconds(0);
  {
    ovsdb::Client client(settings.remote, std::chrono::seconds(15));
    client.Transact("Open_vSwitch", {ovsdb::Insert("Open_vSwitch", nlohmann::json::object())});
    HostDocument doc;
    doc.pnics = {"nic0"};
    doc.switches.push_back({});
    doc.switches[0].row.name = "sw0";
    OvsStore(settings).ReplaceHost(doc);
  }
  constexpr int kAdds = 30;
  for (int process = 0; process < 2; ++process) {
    if (fork() != 0) continue;
    int done = 0;
    ovsdb::Client client(settings.remote, std::chrono::seconds(15));
    OvsStore store(settings);
    for (int i = 0; i < kAdds; ++i) {
      try {
        std::optional<StandardSwitchDoc> sw = store.FindSwitch(SwitchKey::Name("sw0"));
        store.EditSwitch(sw->row.ref, [&](StandardSwitchDoc& doc) {
          doc.portGroups.push_back({});
          doc.portGroups.back().name = "pg" + std::to_string(process) + "_" + std::to_string(i);
        });
        ++done;
      } catch (const std::exception& e) {
        if (std::string(e.what()).find("gave up") == std::string::npos) {
          fprintf(stderr, "process %d: %s\n", process, e.what());
          _exit(255);
        }
      }
    }
    _exit(done);
  }
  size_t done = 0;
  for (int status = 0; wait(&status) > 0;) {
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 255);
    done += WEXITSTATUS(status);
  }
  EXPECT_GT(done, 0u);
  ovsdb::Client client(settings.remote, std::chrono::seconds(15));
  EXPECT_EQ(OvsStore(settings).ReadSwitches(false).at(0).portGroups.size(), done);
}

}  // namespace
}  // namespace ovs_host
