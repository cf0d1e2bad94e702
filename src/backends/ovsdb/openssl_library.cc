#include "backends/ovsdb/openssl_library.h"

#include "backends/loaded/shared_library.h"

namespace ovsdb {

namespace {

OpenSslLibrary Load() {
  OpenSslLibrary library;
  loaded::SharedLibrary libssl("libssl.so.3", "TLS needs libssl.so.3 (package libssl3)");
  bool found = true;
#define OVSDB_OPENSSL_RESOLVE(name) found = found && libssl.Resolve(#name, library.functions.name);
  OVSDB_OPENSSL_FUNCTIONS(OVSDB_OPENSSL_RESOLVE)
#undef OVSDB_OPENSSL_RESOLVE
  if (found) {
    libssl.Keep();
  } else {
    library.functions = {};
    library.failure = libssl.Failure();
  }
  return library;
}

}  // namespace

const OpenSslLibrary& LoadOpenSsl() {
  static const OpenSslLibrary library = Load();
  return library;
}

}  // namespace ovsdb
