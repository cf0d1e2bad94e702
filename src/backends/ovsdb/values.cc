#include "backends/ovsdb/values.h"

#include <utility>

#include "hostnet/quorvic_exception.h"

namespace ovsdb {

using nlohmann::json;
using Quorvic::Lib::QuorvicException;

namespace {

// Whether value is the two-element array [tag, SECOND].
bool IsTagged(const json& value, const char* tag) {
  return value.is_array() && value.size() == 2 && value[0] == tag;
}

[[noreturn]] void RefuseValue(const json& value, const char* expected) {
  throw QuorvicException("OVSDB value " + value.dump() + " is not " + expected);
}

}  // namespace

json Uuid(const std::string& uuid) { return json::array({"uuid", uuid}); }

json NamedUuid(const std::string& name) { return json::array({"named-uuid", name}); }

json Set(std::vector<json> elements) { return json::array({"set", json(std::move(elements))}); }

json Map(const std::map<std::string, std::string>& entries) {
  json pairs = json::array();
  for (const auto& [key, value] : entries) pairs.push_back(json::array({key, value}));
  return json::array({"map", std::move(pairs)});
}

std::vector<json> ReadSet(const json& value) {
  if (!IsTagged(value, "set")) {
    bool atom = value.is_string() || value.is_number() || value.is_boolean();
    if (!atom && !IsTagged(value, "uuid")) RefuseValue(value, "a set");
    return {value};
  }
  if (!value[1].is_array()) RefuseValue(value, "a set");
  return value[1].get<std::vector<json>>();
}

std::map<std::string, std::string> ReadMap(const json& value) {
  if (!IsTagged(value, "map") || !value[1].is_array()) RefuseValue(value, "a map");
  std::map<std::string, std::string> entries;
  for (const json& pair : value[1]) {
    if (!pair.is_array() || pair.size() != 2 || !pair[0].is_string() || !pair[1].is_string()) {
      RefuseValue(value, "a map of strings to strings");
    }
    entries.emplace(pair[0].get<std::string>(), pair[1].get<std::string>());
  }
  return entries;
}

std::string ReadUuid(const json& value) {
  if (!IsTagged(value, "uuid") || !value[1].is_string()) RefuseValue(value, "a UUID");
  return value[1].get<std::string>();
}

}  // namespace ovsdb
