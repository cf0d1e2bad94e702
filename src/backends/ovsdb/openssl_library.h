#ifndef BACKENDS_OVSDB_OPENSSL_LIBRARY_H_
#define BACKENDS_OVSDB_OPENSSL_LIBRARY_H_

// OpenSSL's headers give the types and constants; its functions come from
// the library loaded at run time, so that a run that never speaks TLS never
// spends its start-up relocating libcrypto.
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include "backends/loaded/shared_library.h"

namespace ovsdb {

// Every OpenSSL function a TLS session calls, as F(name). OpenSSL's macros
// (SSL_CTX_set_mode, BIO_set_retry_read, ...) are not in the library: a
// session spells them through the functions they expand to (SSL_CTX_ctrl,
// BIO_set_flags, ...).
#define OVSDB_OPENSSL_FUNCTIONS(F)      \
  F(BIO_clear_flags)                    \
  F(BIO_get_data)                       \
  F(BIO_get_new_index)                  \
  F(BIO_meth_new)                       \
  F(BIO_meth_set_create)                \
  F(BIO_meth_set_ctrl)                  \
  F(BIO_meth_set_read)                  \
  F(BIO_meth_set_write)                 \
  F(BIO_new)                            \
  F(BIO_set_data)                       \
  F(BIO_set_flags)                      \
  F(BIO_set_init)                       \
  F(ERR_clear_error)                    \
  F(ERR_peek_last_error)                \
  F(ERR_reason_error_string)            \
  F(SSL_CTX_check_private_key)          \
  F(SSL_CTX_ctrl)                       \
  F(SSL_CTX_free)                       \
  F(SSL_CTX_load_verify_locations)      \
  F(SSL_CTX_new)                        \
  F(SSL_CTX_set_options)                \
  F(SSL_CTX_set_verify)                 \
  F(SSL_CTX_use_PrivateKey_file)        \
  F(SSL_CTX_use_certificate_chain_file) \
  F(SSL_do_handshake)                   \
  F(SSL_free)                           \
  F(SSL_get_error)                      \
  F(SSL_get_verify_result)              \
  F(SSL_new)                            \
  F(SSL_read)                           \
  F(SSL_set_bio)                        \
  F(SSL_set_connect_state)              \
  F(SSL_shutdown)                       \
  F(SSL_write)                          \
  F(TLS_client_method)                  \
  F(X509_verify_cert_error_string)

// The functions above, and what loading them gave.
struct OpenSslFunctions { OVSDB_OPENSSL_FUNCTIONS(LOADED_POINTER) };
using OpenSslLibrary = loaded::LoadedFunctions<OpenSslFunctions>;

// OpenSSL for this process. The first call loads libssl.so.3, which brings
// libcrypto, and resolves every function of OpenSslFunctions; every later
// call, from any thread, returns that same result. The library stays loaded
// until the process ends: it is code the process has mapped, not state that
// changes, so one function-local static holds it. On a failure, failure
// reads "TLS needs libssl.so.3 (package libssl3): REASON", REASON being the
// dynamic loader's (the file it could not load, or the missing function).
inline const OpenSslLibrary& LoadOpenSsl() {
  static const OpenSslLibrary library = loaded::LoadFunctions<OpenSslFunctions>(
      "libssl.so.3", "TLS needs libssl.so.3 (package libssl3)",
      LOADED_RESOLVER(OVSDB_OPENSSL_FUNCTIONS));
  return library;
}

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_OPENSSL_LIBRARY_H_
