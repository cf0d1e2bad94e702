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
// DVSwitch); changes go to the host through store. A lookup takes no hold:
// reads and self-contained changes need none, and a value read to be
// changed and written back takes it first (Hold).
template <typename Interface>
class SwitchRowHandle : public Interface {
 public:
  std::string GetName() const override { return row_.name; }
  uint32_t GetNumPorts() const override { return row_.numPorts; }
  uint32_t GetNumUsedPorts() const override { return row_.usedPorts; }
  uint32_t GetNumConfiguredPorts() const override { return row_.configuredPorts; }
  std::vector<std::string> GetUplinks() const override { return row_.uplinks; }

 protected:
  // A handle a listing hands out is only read: it never holds (forChange
  // false).
  SwitchRowHandle(RowStore& store, SwitchRow row, bool forChange)
      : store_(store), row_(std::move(row)), forChange_(forChange) {}

  // Takes the store's hold for a read-modify-write, kept while the handle
  // lives, unless the handle is only read or the store has none: a value
  // read after this stays the host's until this run writes it back. True
  // when it was taken just now (what was read before may be out of date).
  bool Hold() const {
    if (hold_ || !forChange_) return false;
    hold_ = store_.HoldForChange();
    return hold_ != nullptr;
  }

  RowStore& store_;
  // Read with the handle, and again when the hold is taken.
  mutable SwitchRow row_;
  bool forChange_;

 private:
  mutable std::unique_ptr<ChangeHold> hold_;
};

}  // namespace rows

#endif  // BACKENDS_ROWS_SWITCH_ROW_HANDLE_H_
