#include "backends/ovsdb/stream.h"

#include <gtest/gtest.h>

#include <string>

#include "hostnet/quorvic_exception.h"

namespace ovsdb {
namespace {

// "unix PATH" or "tcp HOST PORT" for what ParseEndpoint reads, or the reason
// it refuses remote.
std::string Parsed(const std::string& remote) {
  try {
    Endpoint e = ParseEndpoint(remote);
    if (e.kind == Endpoint::Kind::kUnix) return "unix " + e.path;
    return (e.kind == Endpoint::Kind::kTcp ? "tcp " : "ssl ") + e.host + " " + e.port;
  } catch (const Quorvic::Lib::QuorvicException& e) {
    std::string prefix = "OVSDB remote " + remote + " ";
    EXPECT_EQ(e.GetMessage().rfind(prefix, 0), 0u) << e.GetMessage();
    return e.GetMessage().substr(prefix.size());
  }
}

TEST(Endpoint, ReadsTheThreeFormsAndRefusesTheRest) {
  const std::string path107 = "/" + std::string(106, 'x');
  struct Case {
    std::string remote;
    std::string parsed;
  };
  const Case cases[] = {
      {"unix:/run/openvswitch/db.sock", "unix /run/openvswitch/db.sock"},
      {"unix:" + path107, "unix " + path107},
      {"unix:" + path107 + "x", "has a socket path longer than 107 bytes"},
      {"unix:", "names no socket path"},
      {"tcp:127.0.0.1:6640", "tcp 127.0.0.1 6640"},
      {"tcp:[::1]:6641", "tcp ::1 6641"},
      {"tcp:ovsdb.example:65535", "tcp ovsdb.example 65535"},
      {"ssl:10.0.0.1:6640", "ssl 10.0.0.1 6640"},
      {"ssl:::1:6641", "needs its IPv6 address in brackets: ssl:[ADDRESS]:PORT"},
      {"pssl:6640", "is not unix:PATH, tcp:HOST:PORT nor ssl:HOST:PORT"},
      {"tcp:10.0.0.1", "names no port"},
      {"tcp::6640", "names no host"},
      {"tcp:10.0.0.1:", "has no port from 1 to 65535"},
      {"tcp:10.0.0.1:0", "has no port from 1 to 65535"},
      {"tcp:10.0.0.1:65536", "has no port from 1 to 65535"},
      {"tcp:10.0.0.1:66x", "has no port from 1 to 65535"},
      {"tcp:::1:6640", "needs its IPv6 address in brackets: tcp:[ADDRESS]:PORT"},
      {"tcp:[::1]6640", "names no port"},
      {"tcp:[::1:6640", "lacks the ] after its IPv6 address"},
  };
  for (const Case& c : cases) EXPECT_EQ(Parsed(c.remote), c.parsed) << c.remote;
}

}  // namespace
}  // namespace ovsdb
