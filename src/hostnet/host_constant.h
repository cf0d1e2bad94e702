#ifndef HOSTNET_HOST_CONSTANT_H_
#define HOSTNET_HOST_CONSTANT_H_

namespace hostnet {

class Backend;

// A constant of the library whose value the backend in use decides. It reads
// like a plain constant of type T; reading it makes the process's backend
// (hostnet::ProcessBackend) without reaching the host, and throws
// Quorvic::Lib::QuorvicException when no backend can be chosen.
template <typename T>
class HostConstant {
 public:
  using Reader = T (*)(const Backend& backend);
  constexpr explicit HostConstant(Reader read) : read_(read) {}
  operator T() const;

 private:
  Reader read_;
};

}  // namespace hostnet

#endif  // HOSTNET_HOST_CONSTANT_H_
