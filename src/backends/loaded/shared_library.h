#ifndef BACKENDS_LOADED_SHARED_LIBRARY_H_
#define BACKENDS_LOADED_SHARED_LIBRARY_H_

#include <string>
#include <utility>

// A shared library a process loads when it first needs it rather than at
// start: a run that never speaks TLS, or never opens the simulated host,
// spends nothing on mapping and relocating OpenSSL or SQLite. The build
// compiles against the library's headers only; each user lists the
// functions it calls and resolves them through this.
namespace loaded {

class SharedLibrary {
 public:
  // Loads soname with every symbol resolved now, so that a missing one is
  // found here rather than in the middle of a call, and none of its names
  // reaching later lookups. need says what the library is for, as
  // "TLS needs libssl.so.3 (package libssl3)".
  SharedLibrary(const char* soname, std::string need);
  // Unloads it, unless Keep was called.
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Sets function to the address of the library's function name; false
  // when the library did not load or has no such function.
  template <typename Function>
  bool Resolve(const char* name, Function& function) {
    void* address = Find(name);
    if (address == nullptr) return false;
    function = reinterpret_cast<Function>(address);
    return true;
  }
  // Leaves the library loaded until the process ends: the functions
  // resolved from it are code the process keeps calling.
  void Keep() { kept_ = true; }
  // "NEED: REASON", REASON being the dynamic loader's (the file it could
  // not load, or the first function it could not find); empty while
  // everything asked for was found.
  const std::string& Failure() const { return failure_; }

 private:
  void* Find(const char* name);

  void* handle_ = nullptr;
  std::string need_;
  std::string failure_;
  bool kept_ = false;
};

// What loading a library for the functions of Functions gave: every one of
// them, or why the library cannot serve.
template <typename Functions>
struct LoadedFunctions {
  Functions functions;  // all null on a failure
  std::string failure;  // empty when every function was found
};

// Loads soname and resolves every function of Functions with resolveAll, a
// bool(SharedLibrary&, Functions&) such as LOADED_RESOLVER makes; keeps the
// library for the rest of the process when every function was found.
template <typename Functions, typename ResolveAll>
LoadedFunctions<Functions> LoadFunctions(const char* soname, std::string need,
                                         ResolveAll resolveAll) {
  LoadedFunctions<Functions> loaded;
  SharedLibrary library(soname, std::move(need));
  if (resolveAll(library, loaded.functions)) {
    library.Keep();
  } else {
    loaded.functions = {};
    loaded.failure = library.Failure();
  }
  return loaded;
}

}  // namespace loaded

// A library's functions are listed once, as a macro LIST(F) that writes
// F(name) for each. LOADED_POINTER makes a struct's member of each, named
// and typed as the library's header declares it:
//   struct Functions { LIST(LOADED_POINTER) };
// and LOADED_RESOLVER(LIST) is the resolveAll of LoadFunctions for them.
#define LOADED_POINTER(name) decltype(&::name) name = nullptr;
#define LOADED_RESOLVE_ONE(name) found = found && from.Resolve(#name, into.name);
#define LOADED_RESOLVER(LIST)                                   \
  [](loaded::SharedLibrary & from, auto& into) {                \
    bool found = true;                                          \
    LIST(LOADED_RESOLVE_ONE)                                    \
    return found;                                               \
  }

#endif  // BACKENDS_LOADED_SHARED_LIBRARY_H_
