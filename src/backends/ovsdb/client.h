#ifndef BACKENDS_OVSDB_CLIENT_H_
#define BACKENDS_OVSDB_CLIENT_H_

#include <chrono>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "backends/ovsdb/peer_settings.h"
#include "backends/ovsdb/rpc_session.h"

// A client of one OVSDB server over one connection, plain or TLS.
//
// Every failure is a Quorvic::Lib::QuorvicException whose message names the
// remote or the request and says what went wrong. Every wait is bounded.
// Connecting waits for a TCP server to answer and for the TLS handshake for
// the timeout given at construction at the most (a local socket connects at
// once; looking up a host name comes before that wait). Each request's whole
// round trip then takes the client's timeout at the most: the one given at
// construction until SetTimeout changes it (15 s suits a server on the same
// host; a transaction with a Wait needs more than the Wait's own timeout).
// Lock waits for the lock itself as long as it is told.
//
// A request that times out has an unknown outcome: the server may still
// carry it out. Read back before reporting what a timed-out Transact did.
// The connection stays usable after a timeout, or after the server refused a
// request; it is unusable after it failed, closed or carried something that
// is not OVSDB's JSON-RPC or beyond the reader's limits (reader_limits.h,
// the process's), and every later request throws. One caller at a time.
namespace ovsdb {

// What a caller uses of one database: column names by table name. "_uuid"
// and "_version", which every table has, may be named too.
using SchemaNeeds = std::map<std::string, std::vector<std::string>>;

class Client {
 public:
  // Connects to remote, "unix:PATH", "tcp:HOST:PORT" or "ssl:HOST:PORT"
  // (an IPv6 HOST in brackets; TLS with peer's files), reading within
  // peer's limits. Throws "cannot connect to REMOTE: REASON", or names what
  // is wrong with a remote of another form.
  Client(const std::string& remote, std::chrono::milliseconds timeout,
         const PeerSettings& peer = {});
  // Connects as above, then checks that database db has every table and
  // column of needs; throws "OVSDB database DB at REMOTE lacks ..." naming
  // everything that is missing. A server that does not answer costs one
  // timeout: the schema is fetched only when the server refused the check.
  Client(const std::string& remote, std::chrono::milliseconds timeout, const std::string& db,
         const SchemaNeeds& needs, const PeerSettings& peer = {});

  // The schema of database db, as the server sends it.
  nlohmann::json GetSchema(const std::string& db);
  // Throws unless database db has every table and column of needs.
  void RequireSchema(const std::string& db, const SchemaNeeds& needs);

  // Runs operations (operations.h) on database db as one transaction and
  // returns their results, one per operation. When the server refuses any
  // of them, or the commit, nothing changed and this throws "OVSDB refused
  // the transaction: ERROR: DETAILS (operation N: insert into Bridge)" for
  // the first failure, N counting from 1, or "(when committing)" for a
  // failed commit.
  std::vector<nlohmann::json> Transact(const std::string& db,
                                       std::vector<nlohmann::json> operations);

  // What a transaction the server answered came to.
  struct Outcome {
    // One result per operation when it committed; empty otherwise.
    std::vector<nlohmann::json> results;
    // When it did not: the operation that failed, counting from 1, or 0
    // for a failed commit; its error ("timed out", ...) and the message
    // Transact throws for it.
    std::size_t failedOperation = 0;
    std::string error;
    std::string message;
    bool Committed() const { return message.empty(); }
  };
  // Transact, but a refusal is returned rather than thrown; failures of the
  // connection still throw.
  Outcome TryTransact(const std::string& db, std::vector<nlohmann::json> operations);

  // Takes the server's lock name for this connection, waiting for whoever
  // holds it for wait at the most; false when it was not had in time (the
  // request stays queued until Unlock). The server lets go of it when the
  // connection closes.
  bool Lock(const std::string& name, std::chrono::milliseconds wait);
  void Unlock(const std::string& name);

  // The longest each later request may take.
  void SetTimeout(std::chrono::milliseconds timeout) { session_.SetTimeout(timeout); }
  // How many requests the client has sent.
  std::int64_t RequestsSent() const { return session_.RequestsSent(); }

 private:
  // What the server's results of the transaction params came to.
  Outcome ReadOutcome(const nlohmann::json& params, nlohmann::json results) const;

  RpcSession session_;
};

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_CLIENT_H_
