#include "backends/ovsdb/client.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "backends/ovsdb/guarded_change.h"
#include "support/message_of.h"
#include "backends/ovsdb/operations.h"
#include "support/test_server.h"
#include "backends/ovsdb/values.h"

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

TEST_F(OvsdbServerTest, ReadsASchemaOverEitherSocket) {
  for (const std::string& remote : {Remote(), server_->TcpRemote()}) {
    Client client(remote, 5s);
    EXPECT_EQ(client.GetSchema("Open_vSwitch").value("name", ""), "Open_vSwitch") << remote;
  }
}

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

TEST_F(OvsdbServerTest, ChangesABridgeAndReadsItBack) {
  Client client = Connect();
  AddRoot(client);
  std::vector<json> added = AddBridge(client, "br0");
  ASSERT_EQ(added.size(), 4u);
  std::string portUuid = ReadUuid(added[1]["uuid"]);
  std::string bridgeUuid = ReadUuid(added[2]["uuid"]);

  std::vector<json> rows = SelectRows(client, "Bridge", {Condition("name", "==", "br0")},
                                      {"_uuid", "ports", "external_ids"});
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(ReadUuid(rows[0]["_uuid"]), bridgeUuid);
  EXPECT_EQ(ReadSet(rows[0]["ports"]), std::vector<json>{Uuid(portUuid)});
  EXPECT_EQ(ReadMap(rows[0]["external_ids"]),
            (std::map<std::string, std::string>{{"made by", "test"}, {"owner", "ploncfg"}}));
  rows = SelectRows(client, "Open_vSwitch", {}, {"bridges"});
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(ReadSet(rows[0]["bridges"]), std::vector<json>{Uuid(bridgeUuid)});

  std::vector<json> bridgeIs = {Condition("_uuid", "==", Uuid(bridgeUuid))};
  client.Transact("Open_vSwitch", {Update("Bridge", bridgeIs, {{"external_ids", Map({})}}),
                                   Comment("ploncfg test: clears external_ids")});
  rows = SelectRows(client, "Bridge", bridgeIs, {"external_ids"});
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_TRUE(ReadMap(rows[0]["external_ids"]).empty());

  std::vector<json> removed = client.Transact(
      "Open_vSwitch",
      {Mutate("Open_vSwitch", {}, {Mutation("bridges", "delete", Set({Uuid(bridgeUuid)}))}),
       Delete("Bridge", bridgeIs)});
  EXPECT_EQ(removed[1]["count"], 1);
  EXPECT_TRUE(SelectRows(client, "Bridge").empty());
  // The port and interface go with the last reference to them.
  EXPECT_TRUE(SelectRows(client, "Port").empty());
  EXPECT_TRUE(SelectRows(client, "Interface").empty());
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

TEST_F(OvsdbServerTest, WaitGuardsTheTransaction) {
  Client client = Connect();
  AddRoot(client);
  AddBridge(client, "br0");
  auto waitForBr0 = [](Until until) {
    json br0 = {{"name", "br0"}};
    std::vector<json> operations = AddBridgeOperations("br1");
    operations.insert(operations.begin(), Wait("Bridge", {Condition("name", "==", "br0")}, {"name"},
                                               until, {br0}, 0ms));
    return operations;
  };
  EXPECT_EQ(MessageOf([&] { client.Transact("Open_vSwitch", waitForBr0(Until::kNotEqual)); }),
            "OVSDB refused the transaction: timed out: \"where\" clause test failed (operation 1: "
            "wait on Bridge)");
  EXPECT_EQ(SelectRows(client, "Bridge").size(), 1u);
  client.Transact("Open_vSwitch", waitForBr0(Until::kEqual));
  EXPECT_EQ(SelectRows(client, "Bridge").size(), 2u);
}

// A change whose guard keeps failing, as when other writers keep coming
// first, is sent as many times as the message that gives it up says, and
// changes nothing.
TEST_F(OvsdbServerTest, AChangeOthersKeepBeatingIsTriedAsOftenAsItsMessageSays) {
  Client client = Connect();
  AddRoot(client);
  const std::string uuid = ReadUuid(AddBridge(client, "br0")[2]["uuid"]);
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
          return change.Judge(client.TryTransact("Open_vSwitch", change.Operations()));
        });
  });
  EXPECT_EQ(message, "gave up renaming br0: other changes to the same objects kept coming first (" +
                         std::to_string(sent) + " tries); nothing was changed");
  EXPECT_EQ(SelectRows(client, "Bridge", {}, {"name"}).at(0)["name"], "br0");
}

TEST_F(OvsdbServerTest, ReadsAReplyOfManyReads) {
  Client client = Connect();
  AddRoot(client);
  std::vector<json> operations;
  std::vector<json> names;
  std::set<std::string> expected;
  for (int i = 0; i < 2000; ++i) {
    std::string name = "bridge-" + std::to_string(i);
    operations.push_back(Insert("Bridge", {{"name", name}}, "b" + std::to_string(i)));
    names.push_back(NamedUuid("b" + std::to_string(i)));
    expected.insert(name);
  }
  operations.push_back(
      Mutate("Open_vSwitch", {}, {Mutation("bridges", "insert", Set(std::move(names)))}));
  client.Transact("Open_vSwitch", std::move(operations));

  std::vector<json> rows = SelectRows(client, "Bridge");
  EXPECT_GT(json(rows).dump().size(), 16u * 64 * 1024);
  std::set<std::string> read;
  for (const json& row : rows) read.insert(row["name"].get<std::string>());
  EXPECT_EQ(read, expected);
}

TEST_F(OvsdbServerTest, GivesUpOnAServerThatStopsAnswering) {
  Client client = Connect(300ms);
  ASSERT_EQ(kill(server_->Pid(), SIGSTOP), 0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(MessageOf([&] { client.GetSchema("Open_vSwitch"); }),
            "OVSDB request get_schema to " + Remote() + " timed out after 300 ms");
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, 300ms);
  EXPECT_LT(waited, 2s);
  ASSERT_EQ(kill(server_->Pid(), SIGCONT), 0);
  // The switch database's schema, which comes late, is not taken for the
  // answer to the next request.
  EXPECT_EQ(client.GetSchema("_Server").value("name", ""), "_Server");
}

}  // namespace
}  // namespace ovsdb
