#ifndef HOSTNET_PROCESS_BACKEND_H_
#define HOSTNET_PROCESS_BACKEND_H_

#include <memory>

#include "hostnet/backend.h"

// The one backend a process talks to. The library's static entry points
// (NetworkFactory, the *Impl classes, KARN_*, the constants) have no object
// to carry it, so they find it here; everything else is handed its backend.
namespace hostnet {

// Makes the backend this process uses; throws Quorvic::Lib::QuorvicException
// when none can be chosen or made.
using BackendOpener = std::unique_ptr<Backend> (*)();

// Installs the opener the library calls on its first use. A program calls
// this once, at the start of main, before any library call.
void SetBackendOpener(BackendOpener opener);

// The process's backend, made on first use. Throws QuorvicException when it
// cannot be made (no opener installed, or the opener threw); the next call
// tries again.
Backend& ProcessBackend();

// The process's backend when it has been made, else null; never makes it.
Backend* ProcessBackendIfOpen();

// Tells the process's backend, when it has been made, that the library
// operation op ("Class.Method") begins; see Backend::NoteCall. Values such as
// policies work without a host, so this never makes the backend.
void NoteCall(const char* op);

}  // namespace hostnet

#endif  // HOSTNET_PROCESS_BACKEND_H_
