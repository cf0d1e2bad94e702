#ifndef BACKENDS_ROWS_ROW_STORE_WRAPPER_H_
#define BACKENDS_ROWS_ROW_STORE_WRAPPER_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backends/rows/row_store.h"

namespace rows {

// A store that forwards every call to another one, for a store that wraps
// another and overrides only what it changes.
class RowStoreWrapper : public RowStore {
 public:
  // base must outlive this.
  explicit RowStoreWrapper(RowStore& base) : base_(base) {}

  uint32_t MaxSwitchNameSize() const override { return base_.MaxSwitchNameSize(); }
  PnicSet Pnics() override { return base_.Pnics(); }
  std::unique_ptr<ChangeHold> HoldForChange() override { return base_.HoldForChange(); }
  bool RunsLags() const override { return base_.RunsLags(); }
  std::optional<StandardSwitchDoc> FindSwitch(const SwitchKey& key) override {
    return base_.FindSwitch(key);
  }
  std::optional<DVSwitchDoc> FindDVSwitch(const SwitchKey& key) override {
    return base_.FindDVSwitch(key);
  }
  std::optional<SwitchRow> FindAnySwitch(const SwitchKey& key) override {
    return base_.FindAnySwitch(key);
  }
  bool LookupsCountPorts() const override { return base_.LookupsCountPorts(); }
  uint32_t CountPorts(const RowRef& ref, const std::string& group) override {
    return base_.CountPorts(ref, group);
  }
  std::vector<StandardSwitchDoc> ReadSwitches(bool system) override {
    return base_.ReadSwitches(system);
  }
  void ListSwitches(bool system, const std::function<void(SwitchRow&&)>& each) override {
    base_.ListSwitches(system, each);
  }
  std::optional<std::vector<PortGroupRow>> TakeListedPortGroups(const RowRef& sw) override {
    return base_.TakeListedPortGroups(sw);
  }
  std::vector<DVSwitchDoc> ReadDVSwitches() override { return base_.ReadDVSwitches(); }
  std::vector<UnreadableRow> Unreadable() override { return base_.Unreadable(); }
  std::vector<SwitchRow> ReadOpaqueSwitches() override { return base_.ReadOpaqueSwitches(); }
  HostRecords ReadRecords() override { return base_.ReadRecords(); }
  RowRef AddSwitch(const StandardSwitchDoc& sw) override { return base_.AddSwitch(sw); }
  RowRef AddDVSwitch(const DVSwitchDoc& dvs) override { return base_.AddDVSwitch(dvs); }
  bool RemoveSwitch(const RowRef& ref) override { return base_.RemoveSwitch(ref); }
  std::optional<StandardSwitchDoc> EditSwitch(
      const RowRef& ref, const std::function<void(StandardSwitchDoc&)>& edit) override {
    return base_.EditSwitch(ref, edit);
  }
  std::optional<DVSwitchDoc> EditDVSwitch(const RowRef& ref,
                                          const std::function<void(DVSwitchDoc&)>& edit) override {
    return base_.EditDVSwitch(ref, edit);
  }
  std::optional<DVSwitchDoc> FindHostDVPorts(const SwitchKey& key,
                                             const std::string& portId) override {
    return base_.FindHostDVPorts(key, portId);
  }
  std::optional<DVSwitchDoc> EditHostDVPorts(
      const RowRef& ref, const std::string& portId,
      const std::function<void(DVSwitchDoc&)>& edit) override {
    return base_.EditHostDVPorts(ref, portId, edit);
  }
  void StartSwitches(SwitchKind kind, const std::function<void(SwitchRow&)>& start) override {
    base_.StartSwitches(kind, start);
  }
  void EditRecords(const std::function<void(HostRecords&)>& edit) override {
    base_.EditRecords(edit);
  }
  HostDocument ReadHost() override { return base_.ReadHost(); }
  void ReplaceHost(const HostDocument& doc) override { base_.ReplaceHost(doc); }
  void Reboot() override { base_.Reboot(); }
  std::vector<std::string> Migrate() override { return base_.Migrate(); }
  std::vector<std::string> Health() override { return base_.Health(); }
  HostDocument ReadReachableHost() override { return base_.ReadReachableHost(); }
  void Rewire() override { base_.Rewire(); }
  void AppendHistory(const HistoryRow& row) override { base_.AppendHistory(row); }
  std::vector<HistoryRow> ReadHistory(int64_t sinceUs) override {
    return base_.ReadHistory(sinceUs);
  }

 protected:
  RowStore& Base() { return base_; }

 private:
  RowStore& base_;
};

}  // namespace rows

#endif  // BACKENDS_ROWS_ROW_STORE_WRAPPER_H_
