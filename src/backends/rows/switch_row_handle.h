#ifndef BACKENDS_ROWS_SWITCH_ROW_HANDLE_H_
#define BACKENDS_ROWS_SWITCH_ROW_HANDLE_H_

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "backends/rows/host_rows.h"
#include "backends/rows/row_store.h"

namespace rows {

// The getters every kind of switch answers from the row it was read with.
// Interface is the library class the handle implements (VirtualSwitch or
// DVSwitch); changes go to the host through store.
template <typename Interface>
class SwitchRowHandle : public Interface {
 public:
  std::string GetName() const override { return row_.name; }
  uint32_t GetNumPorts() const override { return row_.numPorts; }
  uint32_t GetNumUsedPorts() const override { return row_.usedPorts; }
  uint32_t GetNumConfiguredPorts() const override { return row_.configuredPorts; }
  std::vector<std::string> GetUplinks() const override { return row_.uplinks; }

 protected:
  // hold: kept while the handle lives, for a handle looked up to be changed.
  SwitchRowHandle(RowStore& store, SwitchRow row, std::unique_ptr<ChangeHold> hold)
      : store_(store), row_(std::move(row)), hold_(std::move(hold)) {}

  RowStore& store_;
  SwitchRow row_;

 private:
  std::unique_ptr<ChangeHold> hold_;
};

}  // namespace rows

#endif  // BACKENDS_ROWS_SWITCH_ROW_HANDLE_H_
