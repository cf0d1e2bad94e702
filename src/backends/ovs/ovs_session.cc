#include "backends/ovs/ovs_session.h"

#include <cstdio>
#include <random>
#include <thread>
#include <utility>

#include "backends/ovs/ovs_keys.h"
#include "backends/ovs/ovs_records.h"
#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using nlohmann::json;
using ovsdb::Condition;
using ovsdb::GuardedChange;
using Quorvic::Lib::QuorvicException;
using namespace rows;

namespace {

// What this backend reads and writes of the switch database.
const ovsdb::SchemaNeeds kNeeds = {
    {"Open_vSwitch", {"bridges", "next_cfg", "cur_cfg", "external_ids", "other_config"}},
    {"Bridge", {"name", "ports", "external_ids", "datapath_type"}},
    {"Port",
     {"name", "interfaces", "external_ids", "tag", "fake_bridge", "bond_mode", "lacp",
      "other_config", "bond_active_slave"}},
    {"Interface",
     {"name", "type", "external_ids", "mtu_request", "mtu", "error", "ofport", "lacp_current"}},
    {"Queue", {"external_ids"}},
};

// About one run in this many drops the oldest rows of the history.
constexpr int kTrimEvery = 64;

// One remote: the switch database the settings name.
class OvsConnector : public ovsdb::Connector {
 public:
  explicit OvsConnector(const OvsSettings& settings) : settings_(settings) {}

  std::unique_ptr<ovsdb::Client> Connect(ovsdb::Deadline deadline) override {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    try {
      return std::make_unique<ovsdb::Client>(
          settings_.remote, std::max(left, std::chrono::milliseconds(1)), settings_.peer);
    } catch (const QuorvicException& e) {
      // Only a local socket's server is one this machine's operator starts.
      const bool local = settings_.remote.rfind("unix:", 0) == 0;
      throw QuorvicException(e.GetMessage() + " (the switch database, chosen by " +
                                 settings_.source + ")" +
                                 (local ? "; is Open vSwitch running? `systemctl start "
                                          "openvswitch-switch` starts it"
                                        : ""),
                             "Open vSwitch", QuorvicException::Kind::kUnreachable);
    }
  }
  std::string Describe() const override { return "the switch database at " + settings_.remote; }

 private:
  const OvsSettings& settings_;
};

// What ovs-vswitchd made of an interface a change touched: empty when it is
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
         (interface.mtu ? std::to_string(*interface.mtu) : std::string("none")) + " instead of " +
         std::to_string(*mtu);
}

ovsdb::DatabaseSettings DatabaseSettingsOf(const OvsSettings& settings) {
  ovsdb::DatabaseSettings database;
  database.name = kDatabase;
  database.timeout = settings.requestTimeout;
  database.comment = settings.comment;
  database.token = ovsdb::TokenPlace{kDatabase, {}, "external_ids", kChangeKey};
  database.needs = kNeeds;
  return database;
}

}  // namespace

OvsSession::OvsSession(OvsSettings settings)
    : settings_(std::move(settings)),
      database_(std::make_unique<OvsConnector>(settings_), DatabaseSettingsOf(settings_)) {
  std::random_device random;
  trims_ = random() % kTrimEvery == 0;
}

void OvsSession::Connect() { database_.Connect(); }

std::vector<json> OvsSession::Read(std::vector<json> operations) {
  const std::vector<Along> along = std::exchange(along_, {});
  const std::size_t own = operations.size();
  for (const Along& extra : along) {
    operations.insert(operations.end(), extra.reads.begin(), extra.reads.end());
  }
  if (operations.empty()) return {};
  std::vector<json> results = database_.Read(std::move(operations));
  auto next = results.begin() + static_cast<std::ptrdiff_t>(own);
  for (const Along& extra : along) {
    auto end = next + static_cast<std::ptrdiff_t>(extra.reads.size());
    extra.take(std::vector<json>(next, end));
    next = end;
  }
  results.resize(own);
  return results;
}

void OvsSession::ReadAlong(std::vector<json> reads, std::function<void(std::vector<json>)> take) {
  along_.push_back({std::move(reads), std::move(take)});
}

const RootRow& OvsSession::Root() {
  if (root_) return *root_;
  std::vector<json> results =
      Read({ovsdb::Select(kDatabase, {}, {"_uuid", "external_ids", "other_config"}),
            ovsdb::Select("Queue", {WhereHistoryRow()},
                          trims_ ? std::vector<std::string>{"_uuid", "external_ids"}
                                 : std::vector<std::string>{"_uuid"})});
  const json& rows = results.at(0).at("rows");
  if (rows.size() != 1) {
    throw QuorvicException(
        "the switch database has no Open_vSwitch row; `ovs-vsctl init` makes it");
  }
  RootRow root{ovsdb::ReadUuid(rows[0].at("_uuid")), ovsdb::ReadMap(rows[0].at("external_ids")),
               ovsdb::ReadMap(rows[0].at("other_config"))};
  database_.SawTokenRow(root.externalIds);
  const json& queues = results.at(1).at("rows");
  historyRow_ = queues.empty() ? std::string() : ovsdb::ReadUuid(queues[0].at("_uuid"));
  if (trims_) {
    oldKeys_ = queues.empty() ? std::vector<std::string>()
                              : HistoryKeys(ovsdb::ReadMap(queues[0].at("external_ids")));
  }
  root_ = std::move(root);
  return *root_;
}

OvsSession::Committed OvsSession::Commit(const GuardedChange& change, bool reachesDatapath) {
  GuardedChange sent = change;
  const bool carries = staged_ && (stagedState_ == StagedRow::kNotWritten || rewriteStaged_);
  const bool records = AddRecords(sent, carries ? &*staged_ : nullptr);
  std::size_t nextCfg = 0;
  if (reachesDatapath) {
    sent.Add(ovsdb::Mutate(kDatabase, {}, {ovsdb::Mutation("next_cfg", "+=", 1)}));
    nextCfg = sent.Add(ovsdb::Select(kDatabase, {}, {"next_cfg"}));
  }
  // The root as this change leaves it, for the rest of the run.
  const std::size_t rootAt =
      sent.Add(ovsdb::Select(kDatabase, {}, {"_uuid", "external_ids", "other_config"}));
  Committed committed{database_.Commit(sent), std::nullopt};
  if (!committed.result.Committed()) {
    ForgetRoot();
    return committed;
  }
  if (carries) {
    stagedState_ = staged_->done ? StagedRow::kWrittenDone : StagedRow::kWrittenRefused;
    rewriteStaged_ = false;
  }
  if (records) Recorded();
  const std::vector<json>& results = committed.result.results;
  if (results.empty()) {
    // The answer was lost and read back: what the change left is not known.
    ForgetRoot();
    return committed;
  }
  if (reachesDatapath) {
    committed.target = results.at(nextCfg).at("rows").at(0).at("next_cfg").get<int64_t>();
  }
  if (root_) {
    const json& rows = results.at(rootAt).at("rows");
    if (rows.size() == 1) {
      root_->externalIds = ovsdb::ReadMap(rows[0].at("external_ids"));
      root_->otherConfig = ovsdb::ReadMap(rows[0].at("other_config"));
    }
  }
  return committed;
}

void OvsSession::ConfirmApplied(const std::string& what, const Committed& committed,
                                const DatapathCheck& datapath) {
  if (!datapath.reached || settings_.applyWait.count() == 0) return;
  std::string refused;
  try {
    // An answer that was lost and read back did not say the configuration
    // to reach: the database's next one is at least that.
    int64_t target = committed.target.value_or(0);
    if (!committed.target) {
      const json rows = Read({ovsdb::Select(kDatabase, {}, {"next_cfg"})}).at(0).at("rows");
      target = rows.at(0).at("next_cfg").get<int64_t>();
    }
    refused = AwaitDatapath(target, datapath.expected);
  } catch (const QuorvicException& e) {
    throw QuorvicException(QuorvicException::Kind::kNotConfirmed,
                           what +
                               ": the database holds the change, but whether ovs-vswitchd "
                               "applied it is not known: " +
                               e.GetMessage());
  }
  if (refused.empty()) return;
  if (refused.rfind("ovs-vswitchd", 0) == 0) {
    throw QuorvicException(QuorvicException::Kind::kNotConfirmed,
                           what + ": the database holds the change, but " + refused);
  }
  const std::string refusal = "the datapath refused " + what + " (" + refused + ")";
  if (!datapath.undo) throw QuorvicException(refusal + "; the database keeps the change");
  const std::string undone = refusal + "; it was undone";
  // The transaction that undoes the change says in the history that it was
  // refused.
  RefuseStaged(undone);
  try {
    datapath.undo();
  } catch (const QuorvicException& e) {
    throw QuorvicException(refusal + ", and undoing it failed too: " + e.GetMessage(), {},
                           e.GetKind());
  }
  throw QuorvicException(undone);
}

std::string OvsSession::AwaitDatapath(
    int64_t target, const std::vector<std::pair<std::string, std::optional<uint32_t>>>& expected) {
  const Clock::time_point deadline = Clock::now() + settings_.applyWait;
  for (;;) {
    const json rows = Read({ovsdb::Select(kDatabase, {}, {"cur_cfg"})}).at(0).at("rows");
    if (!rows.empty() && rows[0].at("cur_cfg").get<int64_t>() >= target) break;
    if (Clock::now() >= deadline) {
      return "ovs-vswitchd did not apply it within " + ovsdb::DescribeTimeout(settings_.applyWait) +
             " (is it running? `systemctl start openvswitch-switch` starts it)";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // Some columns (the MTU) are filled after ovs-vswitchd reports the change
  // applied: what is not there yet is waited for, until the same deadline.
  for (;;) {
    std::vector<json> selects;
    for (const auto& [name, mtu] : expected) {
      selects.push_back(
          ovsdb::Select("Interface", {Condition("name", "==", name)}, kInterfaceColumns));
    }
    if (selects.empty()) return {};
    std::vector<json> results = Read(std::move(selects));
    bool waiting = false;
    for (std::size_t i = 0; i < results.size(); ++i) {
      const auto& [name, mtu] = expected[i];
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

}  // namespace ovs_host
