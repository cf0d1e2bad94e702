#ifndef HOSTNET_SWITCH_H_
#define HOSTNET_SWITCH_H_

#include <cstdint>
#include <string>
#include <vector>

namespace Quorvic::Network {

// What every kind of switch of the host (standard, distributed, opaque) has.
// A switch object is a handle the caller owns; it reads the host as of the
// moment the object was handed out. Every operation may throw QuorvicException.
class Switch {
 public:
  virtual ~Switch() = default;

  // The switch's name, unique among the switches of all kinds.
  virtual std::string GetName() const = 0;
  virtual uint32_t GetNumPorts() const = 0;
  virtual uint32_t GetNumUsedPorts() const = 0;
  virtual uint32_t GetNumConfiguredPorts() const = 0;
  // The names of the pnics linked to the running switch, in link order.
  virtual std::vector<std::string> GetUplinks() const = 0;
};

}  // namespace Quorvic::Network

#endif  // HOSTNET_SWITCH_H_
