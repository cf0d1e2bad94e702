#ifndef BACKENDS_OVSDB_TLS_SETTINGS_H_
#define BACKENDS_OVSDB_TLS_SETTINGS_H_

#include <map>
#include <string>

// The files a connection to an "ssl:" remote proves itself with and checks
// its server against: PEM files as ovs-pki makes them and ovs-vsctl takes.
namespace ovsdb {

struct TlsFiles {
  std::string privateKey;   // ssl-private-key, QUENTA_SSL_PRIVATE_KEY
  std::string certificate;  // ssl-certificate, QUENTA_SSL_CERTIFICATE
  std::string caCert;       // ssl-ca-cert, QUENTA_SSL_CA_CERT
};

// The files that options (configuration keys to values) name; empty paths
// for keys that are missing. Refuses nothing: a missing file is reported by
// the connection that needs it.
TlsFiles TlsFilesFromOptions(const std::map<std::string, std::string>& options);

// What is missing of files for a connection to remote, as a message
// that says how to give it; empty when all three are named.
std::string MissingTlsFiles(const TlsFiles& files);

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_TLS_SETTINGS_H_
