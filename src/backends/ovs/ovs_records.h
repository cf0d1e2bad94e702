#ifndef BACKENDS_OVS_OVS_RECORDS_H_
#define BACKENDS_OVS_OVS_RECORDS_H_

#include <cstdint>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "backends/rows/host_rows.h"
#include "backends/rows/row_store.h"

// The JSON form in which the Open vSwitch backend keeps, in external_ids,
// what Open vSwitch has no notion of. Readers fill what a record leaves out
// with the row's defaults and throw Quorvic::Lib::QuorvicException naming
// the record when it is not JSON of the expected shape.
namespace ovs_host {

// A standard switch's stored configuration (the bridge's "quenta:switch"):
// what Open vSwitch has no column for, and the order in which its uplinks
// were linked (its "uplinks" as the record reads them; Open vSwitch's sets
// have no order). Its ref, name, kind, which uplinks are linked, MTU and used
// ports are the engine's.
// A record of format 1 names the linked pnics "uplinks" and repeats the MTU,
// which the engine holds: the reader takes that list as the order.
nlohmann::json SwitchRecord(const rows::SwitchRow& row);
void ReadSwitchRecord(const nlohmann::json& record, rows::SwitchRow& row);
// The format a switch record was written in: its "format", else 2 when it
// has "linkOrder", else 1.
int SwitchRecordFormat(const nlohmann::json& record);

// A switch's port groups in host order (the bridge's "quenta:port-groups"):
// name, teaming and VLAN of each, and whether it is a VLAN bridge
// (vlanBridges names those that are, whose VLAN is their tag while the
// bridge is there); member counts are read off the ports. A port group's ref
// is its name. The reader puts the names of the VLAN bridges in
// vlanBridges, when given.
nlohmann::json PortGroupsRecord(const std::vector<rows::PortGroupRow>& groups,
                                const std::set<std::string>& vlanBridges);
std::vector<rows::PortGroupRow> ReadPortGroupsRecord(const nlohmann::json& record,
                                                     std::set<std::string>* vlanBridges = nullptr);

// What the host keeps in its root row (its "quenta:host"): the records,
// DVSwitches with their DVPorts, and the id the next fault gets. A
// DVSwitch's ref is a key it gets when it is added; a DVPort's, its ID.
struct RootRecords {
  rows::HostRecords host;
  std::vector<rows::DVSwitchDoc> dvswitches;
  int64_t nextFaultId = 1;
};
nlohmann::json RootRecordsJson(const RootRecords& records);
RootRecords ReadRootRecords(const nlohmann::json& record);

// A row of the history (a key of the history's row, "quenta:history:..."): all
// of it but its id, which is its place among those keys. The reader fills
// what the record leaves out with the row's defaults; a field of another type
// throws nlohmann::json's type_error.
nlohmann::json HistoryRecord(const rows::HistoryRow& row);
rows::HistoryRow ReadHistoryRecord(const nlohmann::json& record);

// Parses text as JSON; throws naming what (a key) when it is not.
nlohmann::json ParseRecord(const std::string& what, const std::string& text);

}  // namespace ovs_host

#endif  // BACKENDS_OVS_OVS_RECORDS_H_
