#ifndef BACKENDS_OVSDB_PEER_SETTINGS_H_
#define BACKENDS_OVSDB_PEER_SETTINGS_H_

#include <map>
#include <string>

#include "backends/ovsdb/reader_limits.h"
#include "backends/ovsdb/tls_settings.h"

namespace ovsdb {

// What a connection is given besides its remote: the files an "ssl:"
// remote proves itself with, and how much the reader takes from the server.
// The defaults name no files (an "ssl:" remote is refused, naming what is
// missing) and read with ReaderLimits' defaults.
struct PeerSettings {
  TlsFiles tls;
  ReaderLimits limits;
};

// The settings that options (configuration keys to values) say: the files
// of ssl-private-key, ssl-certificate and ssl-ca-cert, and max-message, a
// whole number of MiB from 1 to 4096. Throws
// Quorvic::Lib::QuorvicException naming a max-message that is malformed.
PeerSettings ParsePeerSettings(const std::map<std::string, std::string>& options);

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_PEER_SETTINGS_H_
