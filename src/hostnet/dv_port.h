#ifndef HOSTNET_DV_PORT_H_
#define HOSTNET_DV_PORT_H_

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvic::Network {

// Names one DVPort: the DVSwitch (by its switch id), the port, and the
// connection the port is used through (0: none assigned).
struct DVPortParam {
  std::string switchId;
  std::string portId;
  uint32_t connectionId = 0;
};

// A port of a DVSwitch. Every operation may throw QuorvicException.
class DVPort {
 public:
  virtual ~DVPort() = default;
  // The port's id.
  virtual std::string GetName() const = 0;
  // The parameters that name the port; valid while the object lives.
  virtual const DVPortParam& GetParam() const = 0;
  // True when a client uses the port; appends the clients' names to clients.
  virtual bool IsInUse(std::vector<std::string>& clients) const = 0;
};

}  // namespace Quorvic::Network

#endif  // HOSTNET_DV_PORT_H_
