#include "backends/ovsdb/client.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "backends/ovsdb/guarded_change.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "support/message_of.h"
#include "support/test_server.h"

namespace ovsdb {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// Each test gets a private server with a fresh switch database.
class OvsdbServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string missing = TestServer::Missing(TestServer::kSwitchSchema);
    if (!missing.empty()) GTEST_SKIP() << "not installed: " << missing;
    server_ = std::make_unique<TestServer>(TestServer::kSwitchSchema);
  }

  std::string Remote() const { return server_->UnixRemote(); }
  Client Connect(std::chrono::milliseconds timeout = 5s) { return Client(Remote(), timeout); }

  // The database's root row, which bridges hang from: a bridge no row
  // refers to is removed when its transaction commits.
  static void AddRoot(Client& client) {
    client.Transact("Open_vSwitch", {Insert("Open_vSwitch", json::object())});
  }

  // Inserts bridge name with one internal port of the same name, hung from
  // the root row; returns the insert operations' results.
  static std::vector<json> AddBridge(Client& client, const std::string& name) {
    return client.Transact("Open_vSwitch", AddBridgeOperations(name));
  }
  static std::vector<json> AddBridgeOperations(const std::string& name) {
    json interface = {{"name", name}, {"type", "internal"}};
    json port = {{"name", name}, {"interfaces", NamedUuid("i")}};
    json bridge = {{"name", name},
                   {"ports", Set({NamedUuid("p")})},
                   {"datapath_type", "netdev"},
                   {"external_ids", Map({{"owner", "ploncfg"}, {"made by", "test"}})}};
    return {Insert("Interface", interface, "i"), Insert("Port", port, "p"),
            Insert("Bridge", bridge, "b"),
            Mutate("Open_vSwitch", {}, {Mutation("bridges", "insert", Set({NamedUuid("b")}))})};
  }

  static std::vector<json> SelectRows(Client& client, const std::string& table,
                                      std::vector<json> where = {},
                                      const std::vector<std::string>& columns = {}) {
    return client.Transact("Open_vSwitch", {Select(table, std::move(where), columns)})[0]["rows"]
        .get<std::vector<json>>();
  }

  std::unique_ptr<TestServer> server_;
};

TEST_F(OvsdbServerTest, ChecksTheSchemaItNeeds) {
  Client(Remote(), 5s, "Open_vSwitch",
         {{"Bridge", {"_uuid", "name", "ports", "external_ids"}}, {"Open_vSwitch", {"bridges"}}});
  EXPECT_EQ(MessageOf([&] {
              Client(Remote(), 5s, "Open_vSwitch",
                     {{"Bridge", {"name", "nmae", "_version"}},
                      {"Bogus", {"x"}},
                      {"Port", {"name", "vlan"}}});
            }),
            "OVSDB database Open_vSwitch at " + Remote() +
                " lacks table Bogus, column Bridge.nmae, column Port.vlan");
  EXPECT_EQ(MessageOf([&] { Connect().GetSchema("Nope"); }),
            "OVSDB refused get_schema: unknown database: get_schema request specifies unknown "
            "database Nope");
}

TEST_F(OvsdbServerTest, RefusedTransactionChangesNothing) {
  Client client = Connect();
  AddRoot(client);
  AddBridge(client, "br0");
  struct Case {
    std::vector<json> operations;
    std::string start;  // the details name row UUIDs
    std::string end;
  };
  std::vector<json> duplicate = AddBridgeOperations("br0");
  duplicate[0]["row"]["name"] = "br0-if";
  duplicate[1]["row"]["name"] = "br0-port";
  std::vector<json> badMutation = AddBridgeOperations("br1");
  badMutation[3]["mutations"][0][1] = "+=";
  const Case cases[] = {
      {duplicate,
       "OVSDB refused the transaction: constraint violation: Transaction causes multiple rows in "
       "\"Bridge\" table to have identical values (br0) for index on column \"name\".",
       " (when committing)"},
      {badMutation, "OVSDB refused the transaction: syntax error: Type mismatch: \"+=\" operator",
       " (operation 4: mutate of Open_vSwitch)"},
  };
  for (const Case& c : cases) {
    std::string message = MessageOf([&] { client.Transact("Open_vSwitch", c.operations); });
    EXPECT_EQ(message.substr(0, c.start.size()), c.start) << message;
    ASSERT_GE(message.size(), c.end.size()) << message;
    EXPECT_EQ(message.substr(message.size() - c.end.size()), c.end) << message;
    EXPECT_EQ(SelectRows(client, "Bridge").size(), 1u);
    EXPECT_EQ(SelectRows(client, "Port").size(), 1u);
    EXPECT_EQ(SelectRows(client, "Interface").size(), 1u);
  }
}

// A change whose guard keeps failing, as when other writers keep coming
// first, is sent as many times as the message that gives it up says, and
// changes nothing; the message says nothing was changed only when the run
// changed nothing before.
TEST_F(OvsdbServerTest, AChangeOthersKeepBeatingIsTriedAsOftenAsItsMessageSays) {
  Client client = Connect();
  AddRoot(client);
  const std::string uuid = ReadUuid(AddBridge(client, "br0")[2]["uuid"]);
  for (const std::string earlier : {"", "; this run's earlier changes are in db: naming br0"}) {
    int sent = 0;
    const std::string message = MessageOf([&] {
      RunGuarded(
          "renaming br0",
          [&](GuardedChange& change) {
            // As if it had been read while named br1: the guard never holds.
            change.Guard("Bridge", uuid, {{"name", "br1"}});
            change.Add(Update("Bridge", {Condition("_uuid", "==", Uuid(uuid))}, {{"name", "br2"}}));
          },
          [&](const GuardedChange& change) {
            ++sent;
            return change.Judge(client.TryTransact("Open_vSwitch", change.Operations())) ==
                   GuardedChange::Verdict::kCommitted;
          },
          std::chrono::milliseconds(300),
          [&] {
            return earlier.empty() ? std::string("nothing was changed")
                                   : "this change was not made" + earlier;
          });
    });
    EXPECT_EQ(message.substr(0, message.find(" tries in ")),
              "gave up renaming br0: other changes to the same objects kept coming first (" +
                  std::to_string(sent));
    const std::string end =
        earlier.empty() ? "); nothing was changed" : "); this change was not made" + earlier;
    EXPECT_EQ(message.substr(message.size() - std::min(message.size(), end.size())), end);
    EXPECT_EQ(SelectRows(client, "Bridge", {}, {"name"}).at(0)["name"], "br0");
  }
}

}  // namespace
}  // namespace ovsdb
