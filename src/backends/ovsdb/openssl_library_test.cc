// OpenSSL comes into a process with its first TLS connection and not
// before. A program of its own: a TLS test that ran earlier in the same
// process would have loaded it already.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "support/test_server.h"

namespace ovsdb {
namespace {

using namespace std::chrono_literals;

// The lines of /proc/self/maps that map libssl or libcrypto.
std::string MappedOpenSsl() {
  std::ifstream maps("/proc/self/maps");
  std::string line, mapped;
  while (std::getline(maps, line)) {
    if (line.find("/libssl.so") != std::string::npos ||
        line.find("/libcrypto.so") != std::string::npos) {
      mapped += line + "\n";
    }
  }
  return mapped;
}

TEST(OpenSslLibrary, ComesWithTheFirstTlsConnection) {
  std::string missing = TestServer::Missing(TestServer::kSwitchSchema) + TestPki::Missing();
  if (!missing.empty()) GTEST_SKIP() << "not installed: " << missing;
  TestPki pki;
  TestServer server(TestServer::kSwitchSchema, pki.Sign("server"));
  const auto select = [](Client& client) {
    return client.Transact("Open_vSwitch", {Select("Open_vSwitch", {})})[0]["rows"].size();
  };

  Client local(server.UnixRemote(), 5s);
  EXPECT_EQ(select(local), 0u);
  EXPECT_EQ(MappedOpenSsl(), "") << "a unix: client loaded OpenSSL";

  Client secure(server.SslRemote(), 5s, {pki.Sign("client"), {}});
  EXPECT_EQ(select(secure), 0u);
  EXPECT_NE(MappedOpenSsl(), "") << "an ssl: client ran without OpenSSL mapped";
}

}  // namespace
}  // namespace ovsdb
