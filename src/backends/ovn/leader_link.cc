#include "backends/ovn/leader_link.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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

// How long one member may take to accept a connection and answer whether it
// leads (the third of the timeout, when shorter): a member that hangs is
// passed over quickly while the others may lead. A healthy member answers
// within milliseconds, even under load.
constexpr std::chrono::milliseconds kProbeBudget{1000};

// What a member has in the first round, doubling with each later round up
// to the budget: a member whose queue of connections to accept overflowed,
// as when many hosts run at once, drops the connection, and the kernel sends
// it again only after a second; asking the next member and coming back
// costs less. A member slow under load is still heard in a later round.
constexpr std::chrono::milliseconds kFirstProbe{250};

// What is wrong with the member behind client, as a member of its cluster
// (no database, not connected to the others); empty when it is well. Sets
// leads to whether it leads.
std::string Unwell(ovsdb::Client& client, bool& leads) {
  std::vector<json> result = client.Transact(
      "_Server", {ovsdb::Select("Database", {ovsdb::Condition("name", "==", kNorthbound)},
                                {"connected", "leader"})});
  const json& found = result.at(0).at("rows");
  leads = !found.empty() && found[0].value("leader", false);
  if (found.empty()) return std::string("it has no database ") + kNorthbound;
  if (!found[0].value("connected", false)) return "it is not connected to its cluster";
  return "";
}

// Why the member behind client cannot be trusted; empty when it can.
std::string Distrust(ovsdb::Client& client) {
  bool leads = false;
  const std::string unwell = Unwell(client, leads);
  if (!unwell.empty()) return unwell;
  return leads ? "" : "it does not lead its cluster";
}

// A connection to remote whose connect and first request take budget
// together at the most.
std::unique_ptr<ovsdb::Client> ConnectWithin(const std::string& remote,
                                             std::chrono::milliseconds budget,
                                             const ovsdb::PeerSettings& peer) {
  const Clock::time_point start = Clock::now();
  auto client = std::make_unique<ovsdb::Client>(remote, budget, peer);
  auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  client->SetTimeout(std::max(budget - spent, std::chrono::milliseconds(1)));
  return client;
}

// Any of count places, 0 when there are none. Runs that start at once, as
// on many hosts, first knock on different members: one member's queue of
// connections to accept overflows less, and a connection it drops costs a
// second before it is tried again.
std::size_t AnyOf(std::size_t count) {
  if (count == 0) return 0;
  std::random_device random;
  return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
}

}  // namespace

LeaderLink::LeaderLink(OvnSettings settings)
    : settings_(std::move(settings)), next_(AnyOf(settings_.remotes.size())) {}

std::string LeaderLink::Describe() const {
  return "the OVN northbound database (" + Remotes() + ")";
}

std::string LeaderLink::Remotes() const {
  std::string text;
  for (const std::string& remote : settings_.remotes) text += (text.empty() ? "" : ", ") + remote;
  return text;
}

std::chrono::milliseconds LeaderLink::ProbeBudget() const {
  return std::min(kProbeBudget, settings_.timeout / 3);
}

std::vector<std::string> LeaderLink::ProbeMembers() {
  std::vector<std::string> silent;
  for (const std::string& remote : settings_.remotes) {
    try {
      std::unique_ptr<ovsdb::Client> client = ConnectWithin(remote, ProbeBudget(), settings_.peer);
      bool leads = false;
      const std::string unwell = Unwell(*client, leads);
      if (!unwell.empty()) silent.push_back(remote + ": " + unwell);
    } catch (const QuorvicException& e) {
      const std::string& message = e.GetMessage();
      silent.push_back(message.find(remote) == std::string::npos ? remote + ": " + message
                                                                 : message);
    }
  }
  return silent;
}

std::unique_ptr<ovsdb::Client> LeaderLink::Connect(ovsdb::Deadline deadline) {
  const Clock::time_point began = Clock::now();
  const std::size_t count = settings_.remotes.size();
  std::vector<std::string> said(count);  // what each member did last time
  std::vector<bool> hung(count, false);  // it took its whole budget
  for (int round = 0;; ++round) {
    // From the one that led last, those that answered before those that
    // hung: a member that hangs costs a round one budget, not the timeout.
    std::vector<std::size_t> order;
    for (bool hungOnes : {false, true}) {
      for (std::size_t i = 0; i < count; ++i) {
        std::size_t index = (next_ + i) % count;
        if (hung[index] == hungOnes) order.push_back(index);
      }
    }
    for (std::size_t index : order) {
      const std::string& remote = settings_.remotes[index];
      const Clock::time_point start = Clock::now();
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - start);
      if (left.count() <= 0) break;
      const std::chrono::milliseconds budget =
          std::min({left, ProbeBudget(), kFirstProbe * (1 << std::min(round, 3))});
      try {
        std::unique_ptr<ovsdb::Client> client = ConnectWithin(remote, budget, settings_.peer);
        std::string distrust = Distrust(*client);
        hung[index] = false;
        if (distrust.empty()) {
          next_ = index;
          return client;
        }
        said[index] = remote + ": " + distrust;
      } catch (const QuorvicException& e) {
        hung[index] = Clock::now() - start >= budget;
        const std::string& message = e.GetMessage();
        said[index] = message.find(remote) == std::string::npos ? remote + ": " + message : message;
      }
    }
    if (Clock::now() + kRoundPause >= deadline) break;
    std::this_thread::sleep_for(kRoundPause);
  }
  std::string reason;
  for (std::size_t i = 0; i < count; ++i) {
    std::string what =
        said[i].empty() ? settings_.remotes[i] + ": not reached before the timeout" : said[i];
    reason += (reason.empty() ? "" : "; ") + what;
  }
  const auto waited = std::chrono::round<std::chrono::milliseconds>(deadline - began);
  throw QuorvicException(QuorvicException::Kind::kUnreachable,
                         "no member of the OVN northbound database (" + Remotes() +
                             ") leads it after " + std::to_string(waited.count()) +
                             " ms: " + reason);
}

}  // namespace ovn
