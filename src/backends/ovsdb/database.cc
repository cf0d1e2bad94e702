#include "backends/ovsdb/database.h"

#include <algorithm>
#include <random>
#include <utility>

#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

namespace ovsdb {

using nlohmann::json;
using Quorvic::Lib::QuorvicException;
using Kind = QuorvicException::Kind;

namespace {

// A token no other transaction writes.
std::string NewToken() {
  std::random_device random;
  return std::to_string(random()) + "-" + std::to_string(random()) + "-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

// The time to deadline, rounded up: a wait given it ends at the deadline,
// not before.
std::chrono::milliseconds Left(Deadline deadline) {
  return std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()),
                  std::chrono::milliseconds(1));
}

}  // namespace

Database::Database(std::unique_ptr<Connector> connector, DatabaseSettings settings)
    : connector_(std::move(connector)), settings_(std::move(settings)) {}

std::string Database::NotMade() const {
  return committed_.empty() ? "nothing was changed" : "this change was not made" + CommittedNote();
}

std::string Database::CommittedNote() const {
  if (committed_.empty()) return {};
  std::string list;
  for (const std::string& what : committed_) list += (list.empty() ? "" : "; ") + what;
  return "; this run's earlier changes are in " + Describe() + ": " + list;
}

void Database::RequireAnswering() const {
  if (givenUp_.empty()) return;
  throw QuorvicException(Kind::kUnreachable,
                         givenUp_ + ", so this run does not wait for it again" + CommittedNote());
}

void Database::Unreachable(const std::string& message, const std::string& detail,
                           Deadline deadline) {
  client_.reset();
  if (Clock::now() >= deadline && givenUp_.empty()) {
    givenUp_ = Describe() + " did not answer within " + DescribeTimeout(settings_.timeout);
  }
  throw QuorvicException(message + CommittedNote(), detail, Kind::kUnreachable);
}

Client& Database::Connection(Deadline deadline, const std::string& what) {
  if (!client_) {
    try {
      client_ = connector_->Connect(deadline);
    } catch (const QuorvicException& e) {
      // Nothing was sent.
      Unreachable(
          what.empty() ? e.GetMessage() : what + ": " + e.GetMessage() + "; nothing was changed",
          e.GetDetail(), deadline);
    }
  }
  client_->SetTimeout(Left(deadline));
  return *client_;
}

void Database::Connect() {
  RequireAnswering();
  Connection(Clock::now() + settings_.timeout, {});
}

void Database::RequireSchema(Client& client) {
  if (settings_.needs.empty()) return;
  client.RequireSchema(settings_.name, settings_.needs);
}

std::vector<json> Database::Read(std::vector<json> operations) {
  RequireAnswering();
  const Deadline deadline = Clock::now() + settings_.timeout;
  for (int attempt = 1;; ++attempt) {
    Client& client = Connection(deadline, {});
    Client::Outcome outcome;
    try {
      outcome = client.TryTransact(settings_.name, operations);
    } catch (const QuorvicException& e) {
      // A connection that broke is made again, once: reads may be repeated.
      if (Clock::now() >= deadline) {
        Unreachable(Describe() + " did not answer within " + DescribeTimeout(settings_.timeout) +
                        ": " + e.GetMessage(),
                    {}, deadline);
      }
      if (attempt == 2) Unreachable(e.GetMessage(), {}, deadline);
      client_.reset();
      continue;
    }
    if (!outcome.Committed()) {
      RequireSchema(client);
      throw QuorvicException(outcome.message);
    }
    return std::move(outcome.results);
  }
}

void Database::SawTokenRow(const std::map<std::string, std::string>& column) {
  if (!settings_.token) return;
  auto found = column.find(settings_.token->key);
  tokenKnown_ = true;
  token_ = found == column.end() ? std::nullopt : std::optional<std::string>(found->second);
}

Database::ReadBack Database::ReadToken(const std::string& token, Deadline deadline) {
  if (!settings_.token) return {std::nullopt, "it leaves no token to look for"};
  const TokenPlace& place = *settings_.token;
  try {
    std::unique_ptr<Client> client = connector_->Connect(deadline);
    client->SetTimeout(Left(deadline));
    const json rows =
        client->Transact(settings_.name, {Select(place.table, place.where, {place.column})})
            .at(0)
            .at("rows");
    client_ = std::move(client);
    if (rows.empty()) return {std::nullopt, "the row that keeps its token is missing"};
    const std::map<std::string, std::string> column = ReadMap(rows[0].at(place.column));
    auto found = column.find(place.key);
    const std::optional<std::string> now =
        found == column.end() ? std::nullopt : std::optional<std::string>(found->second);
    if (now == token) return {true, ""};
    if (tokenKnown_ && now == token_) return {false, ""};
    return {std::nullopt, "another change came since, which leaves no way to tell"};
  } catch (const QuorvicException& e) {
    return {std::nullopt, Describe() + " cannot be reached again to tell: " + e.GetMessage()};
  }
}

Database::Result Database::Commit(const GuardedChange& change) {
  RequireAnswering();
  const Clock::time_point start = Clock::now();
  const Deadline deadline = start + settings_.timeout;
  // The answer may take two thirds of the time; a read-back, the rest.
  const Deadline answerBy = deadline - settings_.timeout / 3;
  GuardedChange sent = change;
  const std::string token = NewToken();
  if (settings_.token) {
    const TokenPlace& place = *settings_.token;
    sent.Add(Mutate(place.table, place.where,
                    {Mutation(place.column, "delete", Set({place.key})),
                     Mutation(place.column, "insert", Map({{place.key, token}}))}));
  }
  sent.SetComment(settings_.comment);
  Client& client = Connection(answerBy, change.What());
  Client::Outcome outcome;
  try {
    outcome = client.TryTransact(settings_.name, sent.Operations());
  } catch (const QuorvicException& e) {
    client_.reset();
    const std::string lost =
        change.What() + ": the answer of " + Describe() + " was lost (" + e.GetMessage() + ")";
    const ReadBack back = ReadToken(token, deadline);
    if (back.committed == true) {
      tokenKnown_ = true;
      token_ = token;
      committed_.push_back(change.What());
      return Result{};
    }
    if (back.committed == false) {
      throw QuorvicException(Kind::kUnreachable, lost +
                                                     "; a new connection shows it was not applied: "
                                                     "nothing was changed" +
                                                     CommittedNote());
    }
    if (Clock::now() >= deadline && givenUp_.empty()) {
      givenUp_ = Describe() + " did not answer within " + DescribeTimeout(settings_.timeout);
    }
    throw QuorvicException(Kind::kOutcomeUnknown, lost + "; it may or may not have been applied: " +
                                                      back.why + CommittedNote());
  }
  if (!outcome.Committed() && outcome.error != "timed out") RequireSchema(client);
  switch (sent.Judge(outcome)) {
    case GuardedChange::Verdict::kCommitted:
      break;
    case GuardedChange::Verdict::kStale:
      return Result{NotCommitted::kStale, {}};
    case GuardedChange::Verdict::kAssumedWrong:
      return Result{NotCommitted::kAssumedWrong, {}};
  }
  tokenKnown_ = true;
  token_ = token;
  committed_.push_back(change.What());
  return Result{std::nullopt, std::move(outcome.results)};
}

bool Database::HeldByAnother(const std::string& lock) {
  RequireAnswering();
  const Deadline deadline = Clock::now() + settings_.timeout;
  Client& client = Connection(deadline, {});
  try {
    const bool taken = client.Lock(lock, std::chrono::milliseconds(0));
    client.Unlock(lock);
    return !taken;
  } catch (const QuorvicException& e) {
    Unreachable(e.GetMessage(), {}, deadline);
  }
}

}  // namespace ovsdb
