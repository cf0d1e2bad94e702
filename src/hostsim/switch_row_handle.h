#ifndef HOSTSIM_SWITCH_ROW_HANDLE_H_
#define HOSTSIM_SWITCH_ROW_HANDLE_H_

#include <string>
#include <utility>
#include <vector>

#include "hostsim/host_rows.h"
#include "hostsim/operation.h"

namespace hostsim {

// The getters every kind of switch answers from the row it was read with.
// Interface is the library class the handle implements (VirtualSwitch or
// DVSwitch); faults know the handle by the class name cls.
template <typename Interface>
class SwitchRowHandle : public Interface {
 public:
  std::string GetName() const override {
    CheckOperation(cls_, "GetName", row_.name);
    return row_.name;
  }
  uint32_t GetNumPorts() const override {
    CheckOperation(cls_, "GetNumPorts", row_.name);
    return row_.numPorts;
  }
  uint32_t GetNumUsedPorts() const override {
    CheckOperation(cls_, "GetNumUsedPorts", row_.name);
    return row_.usedPorts;
  }
  uint32_t GetNumConfiguredPorts() const override {
    CheckOperation(cls_, "GetNumConfiguredPorts", row_.name);
    return row_.configuredPorts;
  }
  std::vector<std::string> GetUplinks() const override {
    CheckOperation(cls_, "GetUplinks", row_.name);
    return row_.uplinks;
  }

 protected:
  SwitchRowHandle(SwitchRow row, const char* cls) : row_(std::move(row)), cls_(cls) {}

  SwitchRow row_;

 private:
  const char* cls_;
};

}  // namespace hostsim

#endif  // HOSTSIM_SWITCH_ROW_HANDLE_H_
