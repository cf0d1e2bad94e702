#ifndef BACKENDS_OVSDB_OVS_CHANGE_H_
#define BACKENDS_OVSDB_OVS_CHANGE_H_

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// One change of the switch database as the Open vSwitch backend builds it:
// the rows it read (each guarded, so that the change commits only when none
// of them changed meanwhile), the operations that make the change, and what
// the datapath must show once ovs-vswitchd has applied it.
namespace ovs_host {

class OvsChange {
 public:
  // What the change does, for messages ("linking pnic eth1 to vsw1").
  explicit OvsChange(std::string what) : what_(std::move(what)) {}

  // The change commits only when the row uuid of table still has the
  // values of columns (an object of column names to values) it was read
  // with. Only what the change depends on is named: ovs-vswitchd writes
  // status columns of the same rows all the time.
  void Guard(const std::string& table, const std::string& uuid, const nlohmann::json& columns);
  // The change commits only when no row of table meets where.
  void GuardAbsent(const std::string& table, std::vector<nlohmann::json> where);
  void Add(nlohmann::json operation) { operations_.push_back(std::move(operation)); }
  // A name for a row this change inserts, unique within it.
  std::string NewRowName();

  // The change reaches the datapath: ovs-vswitchd must apply it.
  void ReachDatapath() { datapath_ = true; }
  // Once applied, interface name must have no error and a port number, and
  // when mtu is given, that MTU.
  void Expect(const std::string& name, std::optional<uint32_t> mtu = std::nullopt);
  // What puts back what the change replaced, run when the datapath refuses
  // it.
  void OnRefusal(std::function<void()> undo) { undo_ = std::move(undo); }

  const std::string& What() const { return what_; }
  bool Empty() const { return operations_.empty(); }
  bool ReachesDatapath() const { return datapath_; }
  size_t GuardCount() const { return guards_.size(); }
  // The guards, then the operations.
  std::vector<nlohmann::json> Operations() const;
  const std::function<void()>& Undo() const { return undo_; }

  struct Expectation {
    std::string interface;
    std::optional<uint32_t> mtu;
  };
  const std::vector<Expectation>& Expectations() const { return expected_; }

 private:
  std::string what_;
  std::vector<nlohmann::json> guards_;
  std::vector<nlohmann::json> operations_;
  std::function<void()> undo_;
  std::vector<Expectation> expected_;
  bool datapath_ = false;
  int rowNames_ = 0;
};

}  // namespace ovs_host

#endif  // BACKENDS_OVSDB_OVS_CHANGE_H_
