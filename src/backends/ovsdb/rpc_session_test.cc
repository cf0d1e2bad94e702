#include "backends/ovsdb/rpc_session.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "support/message_of.h"

namespace ovsdb {
namespace {

using nlohmann::json;

// A session whose server is played by the test through the other end of a
// socket pair: what the test puts there before a call is what the "server"
// sent.
class FakeServer {
 public:
  explicit FakeServer(std::chrono::milliseconds timeout = std::chrono::seconds(2),
                      ReaderLimits limits = {}) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
      throw std::runtime_error("socketpair");
    session_.emplace(Stream(fds[0], "unix:fake.sock"), timeout, limits);
    peer_ = fds[1];
  }
  ~FakeServer() {
    if (peer_ >= 0) close(peer_);
  }

  RpcSession& Session() { return *session_; }
  void Put(const std::string& text) {
    ASSERT_EQ(write(peer_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  // Everything the session has sent so far.
  std::string Sent() {
    std::string sent;
    char buffer[4096];
    ssize_t n;
    while ((n = recv(peer_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) sent.append(buffer, n);
    return sent;
  }
  // Ends what the server sends; what the session sends is still taken.
  void Hangup() { shutdown(peer_, SHUT_WR); }

 private:
  std::optional<RpcSession> session_;
  int peer_ = -1;
};

TEST(RpcSession, AnswersEchoAndPassesOverNotificationsWhileWaiting) {
  FakeServer server;
  server.Put(R"({"method":"echo","params":["x",{"n":1}],"id":"e1"})"
             R"({"method":"update","params":[null,{"Bridge":{}}],"id":null})"
             R"({"id":7,"result":"a reply to an earlier request","error":null})"
             R"({"method":"update3","params":[1,"",{}],"id":null})"
             R"({"id":0,"result":["Open_vSwitch"],"error":null})");
  EXPECT_EQ(server.Session().Call("list_dbs", json::array()), json::array({"Open_vSwitch"}));

  JsonSplitter sent;
  std::string text = server.Sent();
  sent.Append(text.data(), text.size());
  EXPECT_EQ(json::parse(*sent.Next()), json::parse(R"({"method":"list_dbs","params":[],"id":0})"));
  EXPECT_EQ(json::parse(*sent.Next()),
            json::parse(R"({"id":"e1","result":["x",{"n":1}],"error":null})"));
  EXPECT_FALSE(sent.Next());
}

TEST(RpcSession, StaysUsableAfterARefusalOnly) {
  const std::string unusable =
      "the connection to unix:fake.sock is unusable after an earlier failure: ";
  struct Case {
    const char* name;
    std::function<void(FakeServer&)> serve;  // before the first call
    std::string message;
    bool usable;  // whether a second call gets its reply
  };
  const Case cases[] = {
      {"error reply",
       [](FakeServer& s) {
         s.Put(R"({"id":0,"error":{"error":"unknown database","details":"no Nope"}})");
       },
       "OVSDB refused get_schema: unknown database: no Nope", true},
      {"string error",
       [](FakeServer& s) { s.Put(R"({"id":0,"result":null,"error":"unknown method"})"); },
       "OVSDB refused get_schema: unknown method", true},
      {"no reply", [](FakeServer&) {},
       "OVSDB request get_schema to unix:fake.sock timed out after 100 ms", true},
      {"invalid JSON", [](FakeServer& s) { s.Put(R"({"id":0,"result":[1,2,]})"); },
       "OVSDB server at unix:fake.sock sent invalid JSON: [json.exception.parse_error.101] parse "
       "error at line 1, column 23: syntax error while parsing value - unexpected ']'; "
       "expected '[', '{', or a literal",
       false},
      {"not JSON-RPC", [](FakeServer& s) { s.Put(R"({"id":0})"); },
       "OVSDB server at unix:fake.sock sent a message that is not JSON-RPC", false},
      {"closed", [](FakeServer& s) { s.Hangup(); },
       "OVSDB server at unix:fake.sock closed the connection", false},
      {"request not read",
       [](FakeServer& s) {
         // Fills the socket's buffers so that the next request is cut short.
         std::string big(4 << 20, 'x');
         EXPECT_EQ(MessageOf([&] { s.Session().Call("transact", json::array({big})); }),
                   "OVSDB request transact to unix:fake.sock timed out after 100 ms");
       },
       unusable + "a message to it was cut short by a timeout", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeServer server(std::chrono::milliseconds(100));
    c.serve(server);
    EXPECT_EQ(MessageOf([&] { server.Session().Call("get_schema", json::array({"Nope"})); }),
              c.message);
    if (c.usable) {
      // A late reply to the failed request comes first and is passed over.
      server.Put(R"({"id":0,"result":"late","error":null})"
                 R"({"id":1,"result":["Open_vSwitch"],"error":null})");
      EXPECT_EQ(server.Session().Call("list_dbs", json::array()), json::array({"Open_vSwitch"}));
    } else {
      // The later call says what broke the connection.
      std::string why = c.message.rfind(unusable, 0) == 0 ? c.message : unusable + c.message;
      EXPECT_EQ(MessageOf([&] { server.Session().Call("list_dbs", json::array()); }), why);
    }
  }
}

TEST(RpcSession, SendsNothingForTextThatIsNotUtf8) {
  FakeServer server;
  EXPECT_EQ(MessageOf([&] { server.Session().Call("transact", json::array({"br\xff"})); }),
            "cannot send OVSDB request transact: a string in it is not valid UTF-8");
  EXPECT_EQ(server.Sent(), "");
  server.Put(R"({"id":1,"result":[],"error":null})");
  EXPECT_EQ(server.Session().Call("list_dbs", json::array()), json::array());
}

}  // namespace
}  // namespace ovsdb
