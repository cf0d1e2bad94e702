#include "backends/host_choice.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "backends/ovsdb/tls_settings.h"

namespace backends {
namespace {

// A configuration file with text, in a folder of its own.
class ConfFile {
 public:
  explicit ConfFile(const std::string& text) {
    std::string pattern = (std::filesystem::temp_directory_path() / "conf-XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    std::ofstream(Path()) << text;
  }
  ~ConfFile() { std::filesystem::remove_all(dir_); }
  std::string Path() const { return dir_ + "/hostnet.conf"; }

 private:
  std::string dir_;
};

TEST(HostChoice, TlsFilesComeFromTheEnvironmentOverTheFile) {
  ConfFile conf(
      "host = ovsdb:ssl:127.0.0.1:6640\nssl-private-key = /conf/key.pem\n"
      "ssl-certificate = /conf/cert.pem\nssl-ca-cert = /conf/ca.pem\n");
  // The other two unset: an empty variable would outrank the file too.
  unsetenv("QUENTA_SSL_PRIVATE_KEY");
  unsetenv("QUENTA_SSL_CA_CERT");
  setenv("QUENTA_SSL_CERTIFICATE", "/env/cert.pem", 1);
  HostSettings settings = ProcessHostSettings();
  for (const char* name :
       {"QUENTA_SSL_PRIVATE_KEY", "QUENTA_SSL_CERTIFICATE", "QUENTA_SSL_CA_CERT"}) {
    setenv(name, "", 1);
  }
  settings.confPath = conf.Path();
  ovsdb::TlsFiles files = ovsdb::TlsFilesFromOptions(ChooseHost(settings).options);
  EXPECT_EQ(files.privateKey, "/conf/key.pem");
  EXPECT_EQ(files.certificate, "/env/cert.pem");
  EXPECT_EQ(files.caCert, "/conf/ca.pem");
}

}  // namespace
}  // namespace backends
