#include "backends/ovsdb/openssl_library.h"

#include <dlfcn.h>

namespace ovsdb {

namespace {

// Sets function to name's address in the library of handle; false, with
// the reason left for dlerror, when the library has no such function.
template <typename Function>
bool Resolve(void* handle, const char* name, Function& function) {
  dlerror();
  void* address = dlsym(handle, name);
  if (address == nullptr) return false;
  function = reinterpret_cast<Function>(address);
  return true;
}

OpenSslLibrary Load() {
  OpenSslLibrary library;
  auto failed = [&library] {
    const char* reason = dlerror();
    library.failure = std::string("TLS needs libssl.so.3 (package libssl3): ") +
                      (reason != nullptr ? reason : "unknown error");
  };
  // RTLD_NOW finds a missing function here rather than in the middle of a
  // handshake; RTLD_LOCAL keeps OpenSSL's names out of every later lookup.
  void* handle = dlopen("libssl.so.3", RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    failed();
    return library;
  }
  bool found = true;
#define OVSDB_OPENSSL_RESOLVE(name) found = found && Resolve(handle, #name, library.functions.name);
  OVSDB_OPENSSL_FUNCTIONS(OVSDB_OPENSSL_RESOLVE)
#undef OVSDB_OPENSSL_RESOLVE
  if (!found) {
    failed();
    library.functions = {};
    dlclose(handle);
  }
  return library;
}

}  // namespace

const OpenSslLibrary& LoadOpenSsl() {
  static const OpenSslLibrary library = Load();
  return library;
}

}  // namespace ovsdb
