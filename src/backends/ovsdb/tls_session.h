#ifndef BACKENDS_OVSDB_TLS_SESSION_H_
#define BACKENDS_OVSDB_TLS_SESSION_H_

#include <openssl/ssl.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "backends/ovsdb/tls_settings.h"

namespace ovsdb {

// The client's side of TLS over one non-blocking socket, with OpenSSL, which
// the first session of the process loads (see openssl_library.h). It never
// waits: each step says which readiness of the socket it needs next,
// and the caller polls for it within its own deadline. The server's
// certificate must verify against the CA certificate; its host name is not
// checked, since the certificates ovs-pki makes carry none. Bytes go out
// with MSG_NOSIGNAL, so a peer that hangs up never raises SIGPIPE.
class TlsSession {
 public:
  enum class Want { kNothing, kRead, kWrite };
  // What a read or a write did: count bytes moved, or what it waits for, or
  // (reads only) the peer closed the connection.
  struct Io {
    std::size_t count = 0;
    Want want = Want::kNothing;
    bool closed = false;
  };

  // Loads files for a connection to remote, before any traffic. Throws
  // Quorvic::Lib::QuorvicException "cannot connect to REMOTE: ..." naming
  // what is missing, the file that cannot be used and why, when run as
  // root, a private key that others than its owner may read or write (with
  // its mode), and "TLS needs libssl.so.3 (package libssl3): REASON" when
  // OpenSSL cannot be loaded.
  TlsSession(const TlsFiles& files, const std::string& remote);
  ~TlsSession();
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  // Runs over fd, a connected socket the caller keeps open while this lives.
  void Attach(int fd);
  // Takes the handshake a step further: kNothing once it is done. Throws
  // "cannot connect to REMOTE: ..." when it fails; a server certificate
  // that does not verify is named with the CA file and OpenSSL's reason.
  Want Handshake();
  // Sends a prefix of bytes. Throws "cannot send to REMOTE: ..." on a
  // failure.
  Io Write(std::string_view bytes);
  // Receives up to size bytes. Throws "cannot receive from REMOTE: ..." on
  // a failure.
  Io Read(char* buffer, std::size_t size);

 private:
  struct FreeContext {
    void operator()(SSL_CTX* context) const;
  };
  struct FreeSsl {
    void operator()(SSL* ssl) const;
  };

  // What a failed step of ssl means: a want, or a closed connection, or a
  // throw of "DOING REMOTE: REASON".
  Io Failed(int result, const std::string& doing);

  std::string remote_;
  std::string caCert_;
  std::unique_ptr<SSL_CTX, FreeContext> context_;
  std::unique_ptr<SSL, FreeSsl> ssl_;
  bool healthy_ = false;  // the handshake is done and nothing failed since
};

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_TLS_SESSION_H_
