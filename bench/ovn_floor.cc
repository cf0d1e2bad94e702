// The floor of a DVSwitch listing in an OVN northbound database: the least
// a program linked like the tool can do to read what the listing shows.
//   ovn_floor REMOTE   connect to REMOTE and read the name, external_ids and
//                      ports of every Logical_Switch and the external_ids of
//                      every Logical_Switch_Port in one request
#include <chrono>
#include <cstdio>
#include <string>

#include "backends/ovsdb/client.h"
#include "backends/ovsdb/operations.h"
#include "hostnet/quorvic_exception.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ovn_floor REMOTE\n");
    return 2;
  }
  try {
    ovsdb::Client client(argv[1], std::chrono::seconds(15));
    std::vector<nlohmann::json> results = client.Transact(
        "OVN_Northbound",
        {ovsdb::Select("Logical_Switch", {}, {"name", "external_ids", "ports"}),
         ovsdb::Select("Logical_Switch_Port", {}, {"_uuid", "external_ids"})});
    std::printf("%zu %zu\n", results.at(0).at("rows").size(), results.at(1).at("rows").size());
  } catch (const Quorvic::Lib::QuorvicException& e) {
    std::fprintf(stderr, "ovn_floor: %s\n", e.GetMessage().c_str());
    return 1;
  }
  return 0;
}
