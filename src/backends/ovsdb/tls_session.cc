#include "backends/ovsdb/tls_session.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <system_error>
#include <utility>

#include "backends/ovsdb/openssl_library.h"
#include "hostnet/quorvic_exception.h"

namespace ovsdb {

using Quorvic::Lib::QuorvicException;

namespace {

// OpenSSL's functions. A session loads them before it makes anything of
// OpenSSL's, so everything below finds them there.
const OpenSslFunctions& OpenSsl() { return LoadOpenSsl().functions; }

// OpenSSL's reason for the latest error of this thread, which it then
// forgets.
std::string OpenSslReason() {
  unsigned long code = OpenSsl().ERR_peek_last_error();
  OpenSsl().ERR_clear_error();
  if (code == 0) return "unknown error";
  const char* reason = OpenSsl().ERR_reason_error_string(code);
  return reason != nullptr ? reason : "error " + std::to_string(code);
}

int SocketOf(BIO* bio) {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(OpenSsl().BIO_get_data(bio)));
}

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

// A socket BIO of our own: OpenSSL's writes with write(), which raises
// SIGPIPE when the peer has gone.
int SocketWrite(BIO* bio, const char* data, int size) {
  OpenSsl().BIO_clear_flags(bio, BIO_FLAGS_RWS | BIO_FLAGS_SHOULD_RETRY);
  ssize_t sent = send(SocketOf(bio), data, static_cast<std::size_t>(size), MSG_NOSIGNAL);
  if (sent < 0 && WouldBlock(errno)) {
    OpenSsl().BIO_set_flags(bio, BIO_FLAGS_WRITE | BIO_FLAGS_SHOULD_RETRY);
  }
  return static_cast<int>(sent);
}

int SocketRead(BIO* bio, char* data, int size) {
  OpenSsl().BIO_clear_flags(bio, BIO_FLAGS_RWS | BIO_FLAGS_SHOULD_RETRY);
  ssize_t received = recv(SocketOf(bio), data, static_cast<std::size_t>(size), 0);
  if (received < 0 && WouldBlock(errno)) {
    OpenSsl().BIO_set_flags(bio, BIO_FLAGS_READ | BIO_FLAGS_SHOULD_RETRY);
  }
  return static_cast<int>(received);
}

long SocketControl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

int SocketCreate(BIO* bio) {
  OpenSsl().BIO_set_init(bio, 1);
  return 1;
}

BIO_METHOD* SocketMethod() {
  static BIO_METHOD* const method = [] {
    const OpenSslFunctions& ssl = OpenSsl();
    BIO_METHOD* m =
        ssl.BIO_meth_new(ssl.BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "ovsdb socket");
    if (m == nullptr || ssl.BIO_meth_set_write(m, SocketWrite) != 1 ||
        ssl.BIO_meth_set_read(m, SocketRead) != 1 || ssl.BIO_meth_set_ctrl(m, SocketControl) != 1 ||
        ssl.BIO_meth_set_create(m, SocketCreate) != 1) {
      return static_cast<BIO_METHOD*>(nullptr);
    }
    return m;
  }();
  return method;
}

std::string Mode(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

}  // namespace

TlsSession::TlsSession(const TlsFiles& files, const std::string& remote)
    : remote_(remote), caCert_(files.caCert) {
  auto fail = [&remote](const std::string& reason) {
    return QuorvicException("cannot connect to " + remote + ": " + reason);
  };
  std::string missing = MissingTlsFiles(files);
  if (!missing.empty()) throw fail(missing);
  const std::pair<const char*, const std::string*> named[] = {{"private key", &files.privateKey},
                                                              {"certificate", &files.certificate},
                                                              {"CA certificate", &files.caCert}};
  for (const auto& [what, path] : named) {
    struct stat info;
    if (stat(path->c_str(), &info) != 0) {
      throw fail(std::string("cannot use ") + what + " " + *path + ": " +
                 std::generic_category().message(errno));
    }
  }
  // A key that others may read is no secret; one they may write is not
  // ours. Only root's runs are held to it, as they change the host.
  struct stat key;
  stat(files.privateKey.c_str(), &key);
  if (geteuid() == 0 && (key.st_mode & 077) != 0) {
    throw fail("private key " + files.privateKey + " has mode " + Mode(key.st_mode) +
               ": others than its owner may read or write it (make it 0600)");
  }

  const OpenSslLibrary& library = LoadOpenSsl();
  if (!library.failure.empty()) throw fail(library.failure);
  const OpenSslFunctions& ssl = library.functions;
  ssl.ERR_clear_error();
  context_.reset(ssl.SSL_CTX_new(ssl.TLS_client_method()));
  if (!context_ || SocketMethod() == nullptr) throw fail("cannot set up TLS: " + OpenSslReason());
  ssl.SSL_CTX_ctrl(context_.get(), SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr);
  // JSON framing shows a message cut short; a close without TLS's own
  // notice reads as the end of the stream.
  ssl.SSL_CTX_set_options(context_.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
  ssl.SSL_CTX_ctrl(context_.get(), SSL_CTRL_MODE,
                   SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER, nullptr);
  if (ssl.SSL_CTX_use_certificate_chain_file(context_.get(), files.certificate.c_str()) != 1) {
    throw fail("cannot use certificate " + files.certificate + ": " + OpenSslReason());
  }
  if (ssl.SSL_CTX_use_PrivateKey_file(context_.get(), files.privateKey.c_str(), SSL_FILETYPE_PEM) !=
      1) {
    throw fail("cannot use private key " + files.privateKey + ": " + OpenSslReason());
  }
  if (ssl.SSL_CTX_check_private_key(context_.get()) != 1) {
    throw fail("private key " + files.privateKey + " does not match certificate " +
               files.certificate + ": " + OpenSslReason());
  }
  if (ssl.SSL_CTX_load_verify_locations(context_.get(), files.caCert.c_str(), nullptr) != 1) {
    throw fail("cannot use CA certificate " + files.caCert + ": " + OpenSslReason());
  }
  ssl.SSL_CTX_set_verify(context_.get(), SSL_VERIFY_PEER, nullptr);
  ssl_.reset(ssl.SSL_new(context_.get()));
  if (!ssl_) throw fail("cannot set up TLS: " + OpenSslReason());
}

TlsSession::~TlsSession() {
  // Says goodbye when it can do so at once; the socket closes either way.
  if (healthy_) OpenSsl().SSL_shutdown(ssl_.get());
  OpenSsl().ERR_clear_error();
}

void TlsSession::FreeContext::operator()(SSL_CTX* context) const {
  OpenSsl().SSL_CTX_free(context);
}

void TlsSession::FreeSsl::operator()(SSL* ssl) const { OpenSsl().SSL_free(ssl); }

void TlsSession::Attach(int fd) {
  BIO* bio = OpenSsl().BIO_new(SocketMethod());
  if (bio == nullptr) {
    throw QuorvicException("cannot connect to " + remote_ +
                           ": cannot set up TLS: " + OpenSslReason());
  }
  OpenSsl().BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)));
  OpenSsl().SSL_set_bio(ssl_.get(), bio, bio);  // the session owns it now
  OpenSsl().SSL_set_connect_state(ssl_.get());
}

TlsSession::Want TlsSession::Handshake() {
  OpenSsl().ERR_clear_error();
  int result = OpenSsl().SSL_do_handshake(ssl_.get());
  if (result == 1) {
    healthy_ = true;
    return Want::kNothing;
  }
  long verified = OpenSsl().SSL_get_verify_result(ssl_.get());
  if (OpenSsl().SSL_get_error(ssl_.get(), result) == SSL_ERROR_SSL && verified != X509_V_OK) {
    OpenSsl().ERR_clear_error();
    throw QuorvicException("cannot connect to " + remote_ +
                           ": its certificate does not verify against CA certificate " + caCert_ +
                           ": " + OpenSsl().X509_verify_cert_error_string(verified));
  }
  Io io = Failed(result, "cannot connect to");
  if (io.closed) {
    throw QuorvicException("cannot connect to " + remote_ +
                           ": the server closed the connection during the TLS handshake");
  }
  return io.want;
}

TlsSession::Io TlsSession::Write(std::string_view bytes) {
  OpenSsl().ERR_clear_error();
  int size = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
  int result = OpenSsl().SSL_write(ssl_.get(), bytes.data(), size);
  if (result > 0) return Io{static_cast<std::size_t>(result)};
  Io io = Failed(result, "cannot send to");
  if (io.closed) throw QuorvicException("cannot send to " + remote_ + ": the connection is closed");
  return io;
}

TlsSession::Io TlsSession::Read(char* buffer, std::size_t size) {
  OpenSsl().ERR_clear_error();
  int result = OpenSsl().SSL_read(ssl_.get(), buffer,
                                  static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
  if (result > 0) return Io{static_cast<std::size_t>(result)};
  return Failed(result, "cannot receive from");
}

TlsSession::Io TlsSession::Failed(int result, const std::string& doing) {
  int savedErrno = errno;
  Io io;
  switch (OpenSsl().SSL_get_error(ssl_.get(), result)) {
    case SSL_ERROR_WANT_READ:
      io.want = Want::kRead;
      return io;
    case SSL_ERROR_WANT_WRITE:
      io.want = Want::kWrite;
      return io;
    case SSL_ERROR_ZERO_RETURN:
      healthy_ = false;
      io.closed = true;
      return io;
    case SSL_ERROR_SYSCALL:
      healthy_ = false;
      if (OpenSsl().ERR_peek_last_error() == 0) {
        if (savedErrno == 0 || result == 0) {
          io.closed = true;
          return io;
        }
        throw QuorvicException(doing + " " + remote_ + ": " +
                               std::generic_category().message(savedErrno));
      }
      break;
    default:
      healthy_ = false;
      break;
  }
  throw QuorvicException(doing + " " + remote_ + ": TLS: " + OpenSslReason());
}

}  // namespace ovsdb
