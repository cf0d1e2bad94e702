#include <utility>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"

namespace ovs_host {

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::GuardedChange;
using ovsdb::Mutation;
using namespace rows;

namespace {

// Gives a variable a value while it lives, and its old one back after.
template <typename T>
class Assigned {
 public:
  Assigned(T& slot, T value) : slot_(slot), old_(std::exchange(slot, std::move(value))) {}
  ~Assigned() { slot_ = std::move(old_); }
  Assigned(const Assigned&) = delete;
  Assigned& operator=(const Assigned&) = delete;

 private:
  T& slot_;
  T old_;
};

}  // namespace

void OvsStore::Write(const std::string& what,
                     const std::function<void(GuardedChange&, DatapathCheck&)>& build) {
  DatapathCheck datapath;
  Assigned<bool> assume(assume_, true);
  ovsdb::RunGuarded(
      what,
      [&](GuardedChange& change) {
        datapath = DatapathCheck();
        refresh_.reset();
        Assigned<GuardedChange*> building(building_, &change);
        build(change, datapath);
      },
      [&](const GuardedChange& change) { return Commit(change, datapath); }, ovsdb::kGuardedBudget,
      [this] { return session_.Database().NotMade(); });
}

void OvsStore::Removed(const std::string& name) { refresh_.emplace(name, kGone); }

void OvsStore::Refresh(GuardedChange& change, const std::string& name) {
  refresh_.emplace(
      name, change.Add(ovsdb::Select("Bridge", {Condition("name", "==", name)}, kBridgeColumns)));
}

bool OvsStore::Commit(const GuardedChange& change, const DatapathCheck& datapath) {
  OvsSession::Committed committed = session_.Commit(change, datapath.reached);
  const ovsdb::Database::Result& result = committed.result;
  if (!result.Committed()) {
    // Read again; after a wrong assumption, read what was assumed too.
    if (result.notCommitted == ovsdb::Database::NotCommitted::kAssumedWrong) assume_ = false;
    Forget();
    return false;
  }
  if (refresh_ && refresh_->second == kGone) {
    bridges_[refresh_->first] = std::nullopt;
  } else if (refresh_ && !result.results.empty()) {
    // The bridge's row as committed; its parts are read again when needed.
    const json& rows = result.results.at(refresh_->second).at("rows");
    bridges_[refresh_->first] =
        rows.empty() ? std::nullopt : std::optional<BridgeRead>(BridgeFromRow(rows[0]));
  } else {
    // What the change left is not known when its answer was read back.
    Forget();
  }
  session_.ConfirmApplied(change.What(), committed, datapath);
  return true;
}

void OvsStore::WriteRoot(GuardedChange& change, const RootRead& root) {
  auto old = root.externalIds.find(kHostKey);
  if (old != root.externalIds.end()) {
    change.GuardPairs("Open_vSwitch", root.uuid, "external_ids", {{old->first, old->second}});
  }
  change.Add(
      ovsdb::Mutate("Open_vSwitch", {},
                    {Mutation("external_ids", "delete", ovsdb::Set({kHostKey})),
                     Mutation("external_ids", "insert",
                              ovsdb::Map({{kHostKey, RootRecordsJson(root.records).dump()}}))}));
}

void OvsStore::EditRoot(const std::string& what, const std::function<void(RootRecords&)>& edit) {
  Write(what, [&](GuardedChange& change, DatapathCheck&) {
    RootRead root = ReadRoot();
    const std::string before = RootRecordsJson(root.records).dump();
    edit(root.records);
    for (FaultRow& fault : root.records.host.faults) {
      if (fault.id == 0) fault.id = root.records.nextFaultId++;
    }
    if (RootRecordsJson(root.records).dump() == before) return;
    WriteRoot(change, root);
  });
}

}  // namespace ovs_host
