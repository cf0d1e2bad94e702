#include "backends/ovsdb/client.h"

#include <utility>

#include "backends/ovsdb/operations.h"
#include "backends/ovsdb/values.h"
#include "hostnet/quorvic_exception.h"

namespace ovsdb {

using nlohmann::json;

namespace {
const char* const kNoRow = "00000000-0000-0000-0000-000000000000";
}  // namespace
using Quorvic::Lib::QuorvicException;

Client::Client(const std::string& remote, std::chrono::milliseconds timeout,
               const PeerSettings& peer)
    : session_(Stream::Connect(remote, timeout, peer.tls), timeout, peer.limits) {}

Client::Client(const std::string& remote, std::chrono::milliseconds timeout, const std::string& db,
               const SchemaNeeds& needs, const PeerSettings& peer)
    : Client(remote, timeout, peer) {
  RequireSchema(db, needs);
}

json Client::GetSchema(const std::string& db) {
  json schema = session_.Call("get_schema", json::array({db}));
  auto tables = schema.find("tables");
  if (tables == schema.end() || !tables->is_object()) session_.RefuseReply("get_schema", schema);
  return schema;
}

void Client::RequireSchema(const std::string& db, const SchemaNeeds& needs) {
  // Selecting every needed column of no row is one small round trip; only
  // when it fails is the whole schema fetched, to name all that is missing.
  // A timeout or a broken connection ends it here: asking again would only
  // cost another timeout.
  json params = json::array({db});
  for (const auto& [table, columns] : needs) {
    params.push_back(Select(table, {Condition("_uuid", "==", Uuid(kNoRow))}, columns));
  }
  json reply = session_.Request("transact", params);
  // An unknown database, say, is refused as a whole; the schema's own
  // request names it.
  if (reply["error"].is_null() && ReadOutcome(params, std::move(reply["result"])).Committed()) {
    return;
  }
  json schema = GetSchema(db);
  const json& tables = schema["tables"];
  std::string missing;
  auto lacks = [&missing](const std::string& what) {
    missing += (missing.empty() ? "" : ", ") + what;
  };
  for (const auto& [table, columns] : needs) {
    auto found = tables.find(table);
    if (found == tables.end()) {
      lacks("table " + table);
      continue;
    }
    auto have = found->find("columns");
    for (const std::string& column : columns) {
      bool implicit = column == "_uuid" || column == "_version";
      if (!implicit && (have == found->end() || !have->contains(column))) {
        lacks("column " + table + "." + column);
      }
    }
  }
  if (!missing.empty()) {
    throw QuorvicException("OVSDB database " + db + " at " + session_.Name() + " lacks " + missing);
  }
}

bool Client::Lock(const std::string& name, std::chrono::milliseconds wait) {
  json result = session_.Call("lock", json::array({name}));
  if (!result.is_object() || !result.contains("locked")) session_.RefuseReply("lock", result);
  return result["locked"] == true || session_.AwaitNotification("locked", wait);
}

void Client::Unlock(const std::string& name) { session_.Call("unlock", json::array({name})); }

std::vector<json> Client::Transact(const std::string& db, std::vector<json> operations) {
  Outcome outcome = TryTransact(db, std::move(operations));
  if (!outcome.Committed()) throw QuorvicException(outcome.message);
  return std::move(outcome.results);
}

Client::Outcome Client::TryTransact(const std::string& db, std::vector<json> operations) {
  json params = json::array({db});
  for (json& operation : operations) params.push_back(std::move(operation));
  return ReadOutcome(params, session_.Call("transact", params));
}

Client::Outcome Client::ReadOutcome(const json& params, json results) const {
  std::size_t count = params.size() - 1;
  if (!results.is_array() || results.size() < count) session_.RefuseReply("transact", results);
  // The first error stops the transaction; the operations after it are not
  // tried. A failed commit adds an error after the last operation's result.
  Outcome outcome;
  for (std::size_t i = 0; i < results.size(); ++i) {
    const json& result = results[i];
    if (!result.is_object() || !result.contains("error")) continue;
    std::string where =
        i < count ? "operation " + std::to_string(i + 1) + ": " + DescribeOperation(params[i + 1])
                  : "when committing";
    outcome.failedOperation = i < count ? i + 1 : 0;
    outcome.error = result["error"].is_string() ? result["error"].get<std::string>() : "";
    outcome.message =
        "OVSDB refused the transaction: " + DescribeError(result) + " (" + where + ")";
    return outcome;
  }
  results.erase(results.begin() + static_cast<std::ptrdiff_t>(count), results.end());
  outcome.results = results.get<std::vector<json>>();
  return outcome;
}

}  // namespace ovsdb
