#include "hostnet/process_backend.h"

#include "hostnet/quorvic_exception.h"

namespace hostnet {
namespace {

struct ProcessState {
  BackendOpener opener = nullptr;
  std::unique_ptr<Backend> backend;
};

ProcessState& State() {
  static ProcessState state;
  return state;
}

}  // namespace

void SetBackendOpener(BackendOpener opener) {
  State().opener = opener;
  State().backend.reset();
}

Backend& ProcessBackend() {
  ProcessState& state = State();
  if (!state.backend) {
    if (state.opener == nullptr) {
      throw Quorvic::Lib::QuorvicException("no host backend was installed in this program");
    }
    state.backend = state.opener();
  }
  return *state.backend;
}

Backend* ProcessBackendIfOpen() { return State().backend.get(); }

void NoteCall(const char* op) {
  if (Backend* backend = ProcessBackendIfOpen()) backend->NoteCall(op);
}

}  // namespace hostnet
