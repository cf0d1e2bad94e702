#include "backends/ovn/leader_link.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>
#include <utility>

#include "backends/ovsdb/operations.h"
#include "hostnet/quorvic_exception.h"

namespace ovn {

using nlohmann::json;
using Quorvic::Lib::QuorvicException;
using Clock = std::chrono::steady_clock;

namespace {

// How long to wait between rounds of asking every member, while an election
// runs.
constexpr std::chrono::milliseconds kRoundPause{100};

// How long a read-back waits for each member: a member with a write pending
// that its cluster cannot commit answers no reads either, so the read-back
// must not add the whole timeout per member to a run that already waited.
constexpr std::chrono::milliseconds kReadBackWait{1000};

// Why the member behind client cannot be trusted; empty when it can.
std::string Distrust(ovsdb::Client& client) {
  std::vector<json> result = client.Transact(
      "_Server", {ovsdb::Select("Database", {ovsdb::Condition("name", "==", kNorthbound)},
                                {"connected", "leader"})});
  const json& found = result.at(0).at("rows");
  if (found.empty()) return std::string("it has no database ") + kNorthbound;
  if (!found[0].value("connected", false)) return "it is not connected to its cluster";
  if (!found[0].value("leader", false)) return "it does not lead its cluster";
  return "";
}

}  // namespace

LeaderLink::LeaderLink(OvnSettings settings) : settings_(std::move(settings)) {}

std::string LeaderLink::Remotes() const {
  std::string text;
  for (const std::string& remote : settings_.remotes) text += (text.empty() ? "" : ", ") + remote;
  return text;
}

ovsdb::Client& LeaderLink::Leader() {
  if (client_) return *client_;
  const Clock::time_point deadline = Clock::now() + settings_.timeout;
  std::map<std::string, std::string> reasons;  // the last one of each remote
  for (;;) {
    for (std::size_t i = 0; i < settings_.remotes.size(); ++i) {
      const std::string& remote = settings_.remotes[(next_ + i) % settings_.remotes.size()];
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) break;
      try {
        auto client = std::make_unique<ovsdb::Client>(remote, left);
        std::string distrust = Distrust(*client);
        if (distrust.empty()) {
          next_ = (next_ + i) % settings_.remotes.size();
          client_ = std::move(client);
          return *client_;
        }
        reasons[remote] = remote + ": " + distrust;
      } catch (const QuorvicException& e) {
        reasons[remote] = e.GetMessage();
      }
    }
    if (Clock::now() + kRoundPause >= deadline) break;
    std::this_thread::sleep_for(kRoundPause);
  }
  std::string reason;
  for (const auto& [remote, why] : reasons) reason += (reason.empty() ? "" : "; ") + why;
  throw QuorvicException("no member of the OVN northbound database (" + Remotes() +
                         ") leads it after " + std::to_string(settings_.timeout.count()) +
                         " ms: " + reason);
}

std::vector<json> LeaderLink::Read(const std::vector<json>& operations) {
  for (int attempt = 1;; ++attempt) {
    ovsdb::Client& leader = Leader();  // already waited as long as it may
    try {
      return leader.Transact(kNorthbound, operations);
    } catch (const QuorvicException&) {
      Drop();
      if (attempt == 2) throw;
      next_ = (next_ + 1) % settings_.remotes.size();
    }
  }
}

std::optional<std::vector<json>> LeaderLink::ReadAnyMember(const std::vector<json>& operations) {
  for (const std::string& remote : settings_.remotes) {
    try {
      ovsdb::Client client(remote, std::min(settings_.timeout, kReadBackWait));
      return client.Transact(kNorthbound, operations);
    } catch (const QuorvicException&) {
      continue;
    }
  }
  return std::nullopt;
}

}  // namespace ovn
