#include "backends/loaded/shared_library.h"

#include <dlfcn.h>

#include <utility>

namespace loaded {

namespace {

std::string LoaderReason() {
  const char* reason = dlerror();
  return reason != nullptr ? reason : "unknown error";
}

}  // namespace

SharedLibrary::SharedLibrary(const char* soname, std::string need)
    : handle_(dlopen(soname, RTLD_NOW | RTLD_LOCAL)), need_(std::move(need)) {
  if (handle_ == nullptr) failure_ = need_ + ": " + LoaderReason();
}

SharedLibrary::~SharedLibrary() {
  if (handle_ != nullptr && !kept_) dlclose(handle_);
}

void* SharedLibrary::Find(const char* name) {
  if (handle_ == nullptr) return nullptr;
  dlerror();
  void* address = dlsym(handle_, name);
  if (address == nullptr && failure_.empty()) failure_ = need_ + ": " + LoaderReason();
  return address;
}

}  // namespace loaded
