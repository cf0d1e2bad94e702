// The files the client over TLS is given, refused before anything is sent
// to a private ovsdb-server with keys ovs-pki made.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>

#include "backends/ovsdb/client.h"
#include "support/message_of.h"
#include "support/test_server.h"
#include "backends/ovsdb/tls_settings.h"

namespace ovsdb {
namespace {

using namespace std::chrono_literals;

class TlsServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string missing = TestServer::Missing(TestServer::kSwitchSchema) + TestPki::Missing();
    if (!missing.empty()) GTEST_SKIP() << "not installed: " << missing;
    pki_ = std::make_unique<TestPki>();
    server_ = std::make_unique<TestServer>(TestServer::kSwitchSchema, pki_->Sign("server"));
    client_ = pki_->Sign("client");
  }

  std::unique_ptr<TestPki> pki_;
  std::unique_ptr<TestServer> server_;
  TlsFiles client_;
};

TEST_F(TlsServerTest, FilesThatCannotServeAreRefusedNamingThem) {
  const std::string prefix = "cannot connect to " + server_->SslRemote() + ": ";
  const std::string readable = client_.privateKey + ".";
  const std::string notPem = client_.privateKey + ".text";
  std::ofstream(notPem) << "not a key\n";
  chmod(notPem.c_str(), 0600);
  const TlsFiles serverFiles = pki_->Sign("other");

  struct Case {
    const char* name;
    TlsFiles files;
    std::string message;  // after the prefix; ends where OpenSSL's reason starts
  };
  std::vector<Case> cases = {
      {"none",
       {},
       "an ssl: remote needs a private key, a certificate and a CA certificate; set "
       "QUENTA_SSL_PRIVATE_KEY (key ssl-private-key), QUENTA_SSL_CERTIFICATE (key "
       "ssl-certificate), QUENTA_SSL_CA_CERT (key ssl-ca-cert)"},
      {"no CA", {client_.privateKey, client_.certificate, ""}, "an ssl: remote needs"},
      {"missing key",
       {client_.privateKey + ".gone", client_.certificate, client_.caCert},
       "cannot use private key " + client_.privateKey + ".gone: No such file or directory"},
      {"key that is not PEM",
       {notPem, client_.certificate, client_.caCert},
       "cannot use private key " + notPem + ": "},
      {"key of another certificate",
       {client_.privateKey, serverFiles.certificate, client_.caCert},
       "cannot use private key " + client_.privateKey + ": "},
      {"CA that is not PEM",
       {client_.privateKey, client_.certificate, notPem},
       "cannot use CA certificate " + notPem + ": "},
  };
  // A key only its owner may read (0600, as the cases above) is taken; a
  // group's or the world's bit alone is enough to refuse it.
  for (const char* mode : {"0640", "0604"}) {
    if (geteuid() != 0) break;
    const std::string copy = readable + mode;
    std::ifstream key(client_.privateKey);
    std::ofstream(copy) << key.rdbuf();
    chmod(copy.c_str(), static_cast<mode_t>(std::stoi(mode, nullptr, 8)));
    cases.push_back({mode,
                     {copy, client_.certificate, client_.caCert},
                     "private key " + copy + " has mode " + mode +
                         ": others than its owner may read or write it (make it 0600)"});
  }
  for (const Case& c : cases) {
    std::string message = MessageOf([&] { Client(server_->SslRemote(), 5s, {c.files, {}}); });
    EXPECT_EQ(message.rfind(prefix + c.message, 0), 0u) << c.name << ": " << message;
  }
}

}  // namespace
}  // namespace ovsdb
