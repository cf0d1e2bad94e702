#ifndef BACKENDS_OVSDB_DATABASE_H_
#define BACKENDS_OVSDB_DATABASE_H_

#include <chrono>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "backends/ovsdb/client.h"
#include "backends/ovsdb/connector.h"
#include "backends/ovsdb/guarded_change.h"

// One database of one server as a run of the tools uses it: the run's one
// connection to it, through which every read and every transaction goes.
//
// Every transaction carries the run's comment, which the server's log keeps
// with it, and a token of its own written with `mutate` into one key of a
// row the store names (the token place): when the answer to a transaction is
// lost, or does not come by the deadline, a new connection reads that key
// back within the same deadline, and the commit goes on as answered when the
// token is there, fails saying nothing was changed when the key still holds
// what this run last saw there, and fails saying the change may or may not
// have been applied otherwise (another run wrote the key since, the row is
// missing, or the server cannot be reached to tell).
//
// Every call takes the timeout at the most, connecting included; a commit
// awaits its answer for two thirds of it and leaves the rest to the read-back.
// A server that let a deadline pass without an answer is not waited for again:
// every later call throws at once, saying so. A connection that breaks is
// made again by the next call; a read it broke is sent again on a new one,
// once. Every failure to reach the server is a QuorvicException of kind
// kUnreachable, and names the changes of this run that the database holds.
namespace ovsdb {

// Where each transaction's token goes: key `key` of the map column `column`
// of the one row of table that meets where.
struct TokenPlace {
  std::string table;
  std::vector<nlohmann::json> where;
  std::string column = "external_ids";
  std::string key;
};

struct DatabaseSettings {
  std::string name;                   // the database's name on the server
  std::chrono::milliseconds timeout;  // each call's, connecting included
  std::string comment;                // carried by every transaction; may be empty
  std::optional<TokenPlace> token;    // none: a lost answer is always unknown
  // What the store uses of the database: a request the server refuses is
  // checked against it, so that a database that lacks a table or column
  // is named as such.
  SchemaNeeds needs;
};

class Database {
 public:
  Database(std::unique_ptr<Connector> connector, DatabaseSettings settings);

  const DatabaseSettings& Settings() const { return settings_; }
  std::string Describe() const { return connector_->Describe(); }

  // Connects, unless connected already.
  void Connect();
  // Runs read-only operations as one request and returns their results.
  // A refusal throws "OVSDB refused the transaction: ...", or names what
  // the database lacks.
  std::vector<nlohmann::json> Read(std::vector<nlohmann::json> operations);

  // What Commit came to when change did not commit.
  enum class NotCommitted {
    kStale,         // a guard of what was read failed; nothing was changed
    kAssumedWrong,  // an assumption of the change failed; nothing was changed
  };
  // Sends change with the token and the comment. Returns the results of its
  // operations (their indexes as in change) when it committed, or empty
  // results when its answer was lost and the read-back found it committed.
  // A refusal throws as GuardedChange::Judge says; a lost answer throws
  // "WHAT: the answer of DATABASE was lost (REASON); ..." of kind
  // kUnreachable when a new connection shows nothing was changed, or of kind
  // kOutcomeUnknown when no one can tell.
  struct Result {
    std::optional<NotCommitted> notCommitted;
    std::vector<nlohmann::json> results;
    bool Committed() const { return !notCommitted; }
  };
  Result Commit(const GuardedChange& change);

  // Tells what the token's key held when the store last read its row (the
  // row's map column), so that a read-back can tell an absent change.
  void SawTokenRow(const std::map<std::string, std::string>& column);

  // True when another client holds the server's lock name now; asks by
  // trying to take it, and lets go of it at once.
  bool HeldByAnother(const std::string& lock);

  // The changes of this run that the database holds, as a message ends:
  // "; this run's earlier changes are in DATABASE: A; B", or empty.
  std::string CommittedNote() const;
  // How a message ends for a change that was not made: "nothing was
  // changed", or, after earlier changes of this run committed, "this change
  // was not made" and CommittedNote.
  std::string NotMade() const;

 private:
  using Clock = std::chrono::steady_clock;

  // Throws at once when the server let a deadline pass earlier in this run.
  void RequireAnswering() const;
  // The connection, made by deadline when there is none; a failure to
  // connect throws as Unreachable, saying, for a change what, that nothing
  // was changed.
  Client& Connection(Deadline deadline, const std::string& what);
  // Throws message (with detail) as kUnreachable, with the committed
  // changes; gives the server up when deadline has passed.
  [[noreturn]] void Unreachable(const std::string& message, const std::string& detail,
                                Deadline deadline);
  // Whether the transaction that wrote token committed, asked on a new
  // connection by deadline: true, false, or nullopt with why not known.
  struct ReadBack {
    std::optional<bool> committed;
    std::string why;
  };
  ReadBack ReadToken(const std::string& token, Deadline deadline);
  // Checks the schema against the needs after a refusal; throws naming what
  // is missing.
  void RequireSchema(Client& client);

  std::unique_ptr<Connector> connector_;
  DatabaseSettings settings_;
  std::unique_ptr<Client> client_;
  // Why the server is given up on for this run; empty while it is not.
  std::string givenUp_;
  // What the token's key held when this run last knew it: unknown until a
  // read or a commit of this run tells.
  bool tokenKnown_ = false;
  std::optional<std::string> token_;
  std::vector<std::string> committed_;
};

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_DATABASE_H_
