#ifndef BACKENDS_OVSDB_VALUES_H_
#define BACKENDS_OVSDB_VALUES_H_

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// OVSDB's encodings of column values beyond plain JSON atoms. Every one is a
// two-element array, which nlohmann's brace initialisation would make into
// an object: build them here, not by hand.
namespace ovsdb {

// ["uuid", UUID]: a reference to an existing row.
nlohmann::json Uuid(const std::string& uuid);
// ["named-uuid", NAME]: a reference to the row that an insert of the same
// transaction names NAME (its "uuid-name").
nlohmann::json NamedUuid(const std::string& name);
// ["set", [ELEMENT...]].
nlohmann::json Set(std::vector<nlohmann::json> elements);
// ["map", [[KEY, VALUE]...]] for a map of strings to strings.
nlohmann::json Map(const std::map<std::string, std::string>& entries);

// Reading values as a server sends them. Each throws QuorvicException naming
// what it expected when value has another form.
//
// The elements of a set: a set of exactly one element may come as the bare
// element.
std::vector<nlohmann::json> ReadSet(const nlohmann::json& value);
// A map of strings to strings.
std::map<std::string, std::string> ReadMap(const nlohmann::json& value);
// The UUID of ["uuid", UUID].
std::string ReadUuid(const nlohmann::json& value);

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_VALUES_H_
