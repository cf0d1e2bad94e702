#ifndef BACKENDS_OVSDB_ROW_JSON_H_
#define BACKENDS_OVSDB_ROW_JSON_H_

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "backends/rows/host_rows.h"

// The JSON form in which the Open vSwitch backend keeps, in external_ids,
// what Open vSwitch has no notion of. Readers fill what a record leaves out
// with the row's defaults and throw Quorvic::Lib::QuorvicException naming
// the record when it is not JSON of the expected shape.
namespace ovs_host {

using namespace rows;

// A standard switch's own settings (the bridge's "quenta:switch"): every
// field of SwitchRow but its id, name, kind and the counts that are read off
// the switch's ports.
nlohmann::json SwitchRecord(const SwitchRow& row);
void ReadSwitchRecord(const nlohmann::json& record, SwitchRow& row);

// A switch's port groups in host order (the bridge's "quenta:port-groups"):
// name, VLAN and teaming of each; member counts are read off the ports.
nlohmann::json PortGroupsRecord(const std::vector<PortGroupRow>& groups);
std::vector<PortGroupRow> ReadPortGroupsRecord(const nlohmann::json& record);

// What the host keeps beside its switches (the root row's "quenta:host"):
// DVSwitches with their DVPorts, timeout records, the ENS activation node,
// faults and the id the next fault gets.
struct HostRecords {
  std::vector<DVSwitchDoc> dvswitches;
  std::vector<UplinkTimeoutRow> uplinkTimeouts;
  std::vector<LagTimeoutRow> lagTimeouts;
  uint32_t ensActivateNode = 0;
  std::vector<FaultRow> faults;
  int64_t nextFaultId = 1;
};
nlohmann::json HostRecordsJson(const HostRecords& records);
HostRecords ReadHostRecords(const nlohmann::json& record);

// Parses text as JSON; throws naming what (a key) when it is not.
nlohmann::json ParseRecord(const std::string& what, const std::string& text);

}  // namespace ovs_host

#endif  // BACKENDS_OVSDB_ROW_JSON_H_
