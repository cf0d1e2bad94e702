#include "backends/ovsdb/operations.h"

#include <utility>

namespace ovsdb {

using nlohmann::json;

namespace {

// {"op": op, "table": table}.
json Operation(const char* op, const std::string& table) {
  json operation = json::object();
  operation["op"] = op;
  operation["table"] = table;
  return operation;
}

}  // namespace

json Condition(const std::string& column, const std::string& function, json value) {
  return json::array({column, function, std::move(value)});
}

json Mutation(const std::string& column, const std::string& mutator, json value) {
  return json::array({column, mutator, std::move(value)});
}

json Select(const std::string& table, std::vector<json> where,
            const std::vector<std::string>& columns) {
  json operation = Operation("select", table);
  operation["where"] = std::move(where);
  if (!columns.empty()) operation["columns"] = columns;
  return operation;
}

json Insert(const std::string& table, json row, const std::string& uuidName) {
  json operation = Operation("insert", table);
  operation["row"] = std::move(row);
  if (!uuidName.empty()) operation["uuid-name"] = uuidName;
  return operation;
}

json Update(const std::string& table, std::vector<json> where, json row) {
  json operation = Operation("update", table);
  operation["where"] = std::move(where);
  operation["row"] = std::move(row);
  return operation;
}

json Mutate(const std::string& table, std::vector<json> where, std::vector<json> mutations) {
  json operation = Operation("mutate", table);
  operation["where"] = std::move(where);
  operation["mutations"] = std::move(mutations);
  return operation;
}

json Delete(const std::string& table, std::vector<json> where) {
  json operation = Operation("delete", table);
  operation["where"] = std::move(where);
  return operation;
}

json Wait(const std::string& table, std::vector<json> where,
          const std::vector<std::string>& columns, Until until, std::vector<json> rows,
          std::chrono::milliseconds timeout) {
  json operation = Operation("wait", table);
  operation["where"] = std::move(where);
  operation["columns"] = columns;
  operation["until"] = until == Until::kEqual ? "==" : "!=";
  operation["rows"] = std::move(rows);
  operation["timeout"] = timeout.count();
  return operation;
}

json Comment(const std::string& text) {
  json operation = json::object();
  operation["op"] = "comment";
  operation["comment"] = text;
  return operation;
}

std::string DescribeOperation(const json& operation) {
  auto text = [&operation](const char* key) {
    auto member = operation.find(key);
    return member != operation.end() && member->is_string() ? member->get<std::string>() : "";
  };
  std::string op = text("op");
  std::string table = text("table");
  if (op == "insert" || op == "select" || op == "delete") {
    return op + (op == "insert" ? " into " : " from ") + table;
  }
  if (op == "update" || op == "mutate") return op + " of " + table;
  if (op == "wait") return "wait on " + table;
  return op.empty() ? "an operation without \"op\"" : op;
}

}  // namespace ovsdb
