#include <chrono>
#include <random>
#include <thread>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_store.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/stream.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::GuardedChange;
using ovsdb::Mutation;
using Quorvic::Lib::QuorvicException;
using Clock = std::chrono::steady_clock;
using namespace rows;

namespace {

// A token no other change writes.
std::string NewToken() {
  std::random_device random;
  return std::to_string(random()) + "-" + std::to_string(random()) + "-" +
         std::to_string(Clock::now().time_since_epoch().count());
}

// What the datapath made of an interface a change touched: empty when it is
// as expected, "wait" when it is not there yet, else what is wrong.
std::string Refusal(const InterfaceRead& interface, std::optional<uint32_t> mtu) {
  if (!interface.error.empty()) return "interface " + interface.name + ": " + interface.error;
  if (interface.ofport && *interface.ofport < 0) {
    return "interface " + interface.name + " got no port number";
  }
  if (!interface.ofport) return "wait";
  if (mtu && interface.mtu != static_cast<int64_t>(*mtu)) return "wait";
  return {};
}

// Why an interface still waited when the time was up.
std::string StillWaiting(const InterfaceRead& interface, std::optional<uint32_t> mtu) {
  if (!interface.ofport) return "interface " + interface.name + " got no port number";
  return "interface " + interface.name + " kept MTU " +
         (interface.mtu ? std::to_string(*interface.mtu) : std::string("none")) +
         " instead of " + std::to_string(*mtu);
}

}  // namespace

class OvsStore::LockHold : public rows::ChangeHold {
 public:
  explicit LockHold(OvsConnection& connection) : connection_(connection) { connection_.Lock(); }
  ~LockHold() override { connection_.Unlock(); }

 private:
  OvsConnection& connection_;
};

std::unique_ptr<rows::ChangeHold> OvsStore::HoldForChange() {
  return std::make_unique<LockHold>(connection_);
}

void OvsStore::Write(const std::string& what,
                     const std::function<void(GuardedChange&, DatapathCheck&)>& build) {
  DatapathCheck datapath;
  ovsdb::RunGuarded(
      what,
      [&](GuardedChange& change) {
        datapath = DatapathCheck();
        build(change, datapath);
      },
      [&](const GuardedChange& change) { return Commit(change, datapath); });
}

std::optional<bool> OvsStore::Applied(const std::string& token) {
  try {
    RootRead root = ReadRoot();
    auto found = root.externalIds.find(kChangeKey);
    return found != root.externalIds.end() && found->second == token;
  } catch (const QuorvicException&) {
    return std::nullopt;
  }
}

bool OvsStore::Commit(const GuardedChange& change, const DatapathCheck& datapath) {
  const OvsSettings& settings = connection_.Settings();
  GuardedChange sent = change;
  const std::string token = NewToken();
  sent.Add(ovsdb::Mutate("Open_vSwitch", {},
                         {Mutation("external_ids", "delete", ovsdb::Set({kChangeKey})),
                          Mutation("external_ids", "insert", ovsdb::Map({{kChangeKey, token}}))}));
  std::size_t nextCfg = 0;
  if (datapath.reached) {
    sent.Add(ovsdb::Mutate("Open_vSwitch", {}, {Mutation("next_cfg", "+=", 1)}));
    nextCfg = sent.Add(ovsdb::Select("Open_vSwitch", {}, {"next_cfg"}));
  }
  sent.SetComment(settings.comment);
  int64_t target = 0;
  std::optional<ovsdb::Client::Outcome> outcome;
  try {
    outcome = connection_.Client().TryTransact(kDatabase, sent.Operations());
  } catch (const QuorvicException& e) {
    // The answer was lost: whether the change is there is for a new
    // connection to tell.
    connection_.Drop();
    const std::string lost =
        change.What() + ": the answer of the switch database was lost (" + e.GetMessage() + ")";
    std::optional<bool> applied = Applied(token);
    if (!applied) {
      throw QuorvicException(lost +
                             "; it may or may not have been applied, and the database cannot be "
                             "reached again to tell");
    }
    if (!*applied) {
      throw QuorvicException(lost + "; a new connection shows it was not applied: nothing was "
                                    "changed");
    }
  }
  if (outcome) {
    if (!outcome->Committed() && outcome->error != "timed out") connection_.RequireSchema();
    if (!sent.Judge(*outcome)) return false;
    if (datapath.reached) {
      target = outcome->results.at(nextCfg).at("rows").at(0).at("next_cfg").get<int64_t>();
    }
  } else if (datapath.reached) {
    target = connection_.Read({ovsdb::Select("Open_vSwitch", {}, {"next_cfg"})})[0]
                 .at("rows")
                 .at(0)
                 .at("next_cfg")
                 .get<int64_t>();
  }
  if (!datapath.reached || settings.applyWait.count() == 0) return true;
  const std::string refused = AwaitDatapath(target, datapath);
  if (refused.empty()) return true;
  if (refused.rfind("ovs-vswitchd", 0) == 0) {
    throw QuorvicException(change.What() + ": the database holds the change, but " + refused);
  }
  if (!datapath.undo) {
    throw QuorvicException("the datapath refused " + change.What() + " (" + refused +
                           "); the database keeps the change");
  }
  try {
    datapath.undo();
  } catch (const QuorvicException& e) {
    throw QuorvicException("the datapath refused " + change.What() + " (" + refused +
                           "), and undoing it failed too: " + e.GetMessage());
  }
  throw QuorvicException("the datapath refused " + change.What() + " (" + refused +
                         "); it was undone");
}

std::string OvsStore::AwaitDatapath(int64_t target, const DatapathCheck& datapath) {
  const OvsSettings& settings = connection_.Settings();
  const Clock::time_point deadline = Clock::now() + settings.applyWait;
  if (!connection_.AwaitApplied(target, deadline)) {
    return "ovs-vswitchd did not apply it within " + ovsdb::DescribeTimeout(settings.applyWait) +
           " (is it running? `systemctl start openvswitch-switch` starts it)";
  }
  // Some columns (the MTU) are filled after ovs-vswitchd reports the change
  // applied: what is not there yet is waited for, until the same deadline.
  for (;;) {
    std::vector<json> selects;
    for (const auto& [name, mtu] : datapath.expected) {
      selects.push_back(ovsdb::Select("Interface", {Condition("name", "==", name)}, kInterfaceColumns));
    }
    if (selects.empty()) return {};
    std::vector<json> results = connection_.Read(std::move(selects));
    bool waiting = false;
    for (std::size_t i = 0; i < results.size(); ++i) {
      const auto& [name, mtu] = datapath.expected[i];
      const json& rows = results[i].at("rows");
      // The change committed; a later one of another run removed the
      // interface, and what the datapath made of it no longer matters.
      if (rows.empty()) continue;
      const InterfaceRead interface = InterfaceFromRow(rows[0]);
      const std::string refusal = Refusal(interface, mtu);
      if (refusal == "wait") {
        if (Clock::now() >= deadline) return StillWaiting(interface, mtu);
        waiting = true;
      } else if (!refusal.empty()) {
        return refusal;
      }
    }
    if (!waiting) return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void OvsStore::WriteRoot(GuardedChange& change, const RootRead& root) {
  auto old = root.externalIds.find(kHostKey);
  if (old != root.externalIds.end()) {
    change.GuardPairs("Open_vSwitch", root.uuid, "external_ids", {{old->first, old->second}});
  }
  change.Add(ovsdb::Mutate(
      "Open_vSwitch", {},
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
