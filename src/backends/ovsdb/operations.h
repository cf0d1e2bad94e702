#ifndef BACKENDS_OVSDB_OPERATIONS_H_
#define BACKENDS_OVSDB_OPERATIONS_H_

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// The operations of an OVSDB transaction, built as the server reads them. A
// row is a JSON object of column names to values (values.h for sets, maps
// and references); a where clause is a list of Conditions, all of which a
// row must meet (an empty one matches every row).
namespace ovsdb {

// [COLUMN, FUNCTION, VALUE]; FUNCTION is one of "==", "!=", "<", "<=", ">",
// ">=", "includes", "excludes".
nlohmann::json Condition(const std::string& column, const std::string& function,
                         nlohmann::json value);
// [COLUMN, MUTATOR, VALUE]; MUTATOR is one of "+=", "-=", "*=", "/=", "%=",
// "insert", "delete".
nlohmann::json Mutation(const std::string& column, const std::string& mutator,
                        nlohmann::json value);

// Reads columns (all of them when empty) of the rows that match where.
nlohmann::json Select(const std::string& table, std::vector<nlohmann::json> where,
                      const std::vector<std::string>& columns = {});
// Adds row; uuidName, when not empty, lets later operations of the same
// transaction refer to it as NamedUuid(uuidName). It must be a letter or '_'
// followed by letters, digits and '_'.
nlohmann::json Insert(const std::string& table, nlohmann::json row,
                      const std::string& uuidName = {});
// Sets the columns of row in every row that matches where.
nlohmann::json Update(const std::string& table, std::vector<nlohmann::json> where,
                      nlohmann::json row);
nlohmann::json Mutate(const std::string& table, std::vector<nlohmann::json> where,
                      std::vector<nlohmann::json> mutations);
nlohmann::json Delete(const std::string& table, std::vector<nlohmann::json> where);

enum class Until { kEqual, kNotEqual };
// Holds the transaction until the columns of the rows that match where are
// exactly rows (kEqual) or are not (kNotEqual), and fails it with "timed out"
// when that is not so after timeout (0: fails at once). The server waits
// only when it has other clients that can change the rows; the request's
// own timeout must be longer than this one.
nlohmann::json Wait(const std::string& table, std::vector<nlohmann::json> where,
                    const std::vector<std::string>& columns, Until until,
                    std::vector<nlohmann::json> rows, std::chrono::milliseconds timeout);
// Writes text into the server's log with the transaction.
nlohmann::json Comment(const std::string& text);

// "insert into Bridge", "mutate of Open_vSwitch", "comment": what an
// operation does, for messages.
std::string DescribeOperation(const nlohmann::json& operation);

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_OPERATIONS_H_
