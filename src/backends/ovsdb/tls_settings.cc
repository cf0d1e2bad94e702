#include "backends/ovsdb/tls_settings.h"

namespace ovsdb {

namespace {

struct TlsOption {
  const char* key;
  const char* variable;
  std::string TlsFiles::*field;
};

const TlsOption kTlsOptions[] = {
    {"ssl-private-key", "QUENTA_SSL_PRIVATE_KEY", &TlsFiles::privateKey},
    {"ssl-certificate", "QUENTA_SSL_CERTIFICATE", &TlsFiles::certificate},
    {"ssl-ca-cert", "QUENTA_SSL_CA_CERT", &TlsFiles::caCert},
};

}  // namespace

TlsFiles TlsFilesFromOptions(const std::map<std::string, std::string>& options) {
  TlsFiles files;
  for (const TlsOption& option : kTlsOptions) {
    auto found = options.find(option.key);
    if (found != options.end()) files.*option.field = found->second;
  }
  return files;
}

std::string MissingTlsFiles(const TlsFiles& files) {
  std::string missing;
  for (const TlsOption& option : kTlsOptions) {
    if (!(files.*option.field).empty()) continue;
    missing +=
        std::string(missing.empty() ? "" : ", ") + option.variable + " (key " + option.key + ")";
  }
  if (missing.empty()) return missing;
  return "an ssl: remote needs a private key, a certificate and a CA certificate; set " + missing;
}

}  // namespace ovsdb
