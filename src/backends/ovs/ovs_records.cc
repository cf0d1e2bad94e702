#include "backends/ovs/ovs_records.h"

#include <utility>

#include "hostnet/quorvic_exception.h"
#include "hostnet/records_format.h"

namespace ovs_host {

using namespace rows;

using nlohmann::json;
using Quorvic::Lib::QuorvicException;

namespace {

// Sets field from key of object when the record has it.
template <typename T>
void Take(const json& object, const char* key, T& field) {
  auto found = object.find(key);
  if (found != object.end() && !found->is_null()) field = found->get<T>();
}

json TeamingJson(const TeamingRow& teaming) {
  return {
      {"orderSet", teaming.orderSet}, {"order", teaming.order}, {"maxActive", teaming.maxActive}};
}

TeamingRow ReadTeaming(const json& object) {
  TeamingRow teaming;
  Take(object, "orderSet", teaming.orderSet);
  Take(object, "order", teaming.order);
  Take(object, "maxActive", teaming.maxActive);
  return teaming;
}

json EnsJson(const EnsState& ens) {
  return {{"active", ens.active},
          {"interrupt", ens.interrupt},
          {"fastSwitch", ens.fastSwitch},
          {"reassociations", ens.reassociations},
          {"forcedReassociations", ens.forcedReassociations}};
}

EnsState ReadEns(const json& object) {
  EnsState ens;
  Take(object, "active", ens.active);
  Take(object, "interrupt", ens.interrupt);
  Take(object, "fastSwitch", ens.fastSwitch);
  Take(object, "reassociations", ens.reassociations);
  Take(object, "forcedReassociations", ens.forcedReassociations);
  return ens;
}

json DVSwitchJson(const DVSwitchDoc& dvs) {
  const SwitchRow& row = dvs.row;
  json ports = json::array();
  for (const DVPortRow& port : dvs.dvports) {
    ports.push_back({{"portId", port.portId},
                     {"clients", port.clients},
                     {"connectionId", port.connectionId},
                     {"uplinks", port.uplinks},
                     {"testEvents", port.testEvents}});
  }
  return {{"key", row.ref.key},
          {"name", row.name},
          {"running", row.running},
          {"numPorts", row.numPorts},
          {"usedPorts", row.usedPorts},
          {"configuredPorts", row.configuredPorts},
          {"mtu", row.mtu},
          {"uplinks", row.uplinks},
          {"ens", EnsJson(row.ens)},
          {"dvsName", row.dvsName},
          {"uuid", row.uuid},
          {"implClass", row.implClass},
          {"version", row.version},
          {"switchId", row.switchId},
          {"dvports", ports}};
}

DVSwitchDoc ReadDVSwitch(const json& object) {
  DVSwitchDoc dvs;
  SwitchRow& row = dvs.row;
  row.kind = SwitchKind::kDistributed;
  Take(object, "name", row.name);
  row.ref = RowRef{RowKind::kDVSwitch, object.value("key", row.name)};
  Take(object, "running", row.running);
  Take(object, "numPorts", row.numPorts);
  Take(object, "usedPorts", row.usedPorts);
  Take(object, "configuredPorts", row.configuredPorts);
  Take(object, "mtu", row.mtu);
  Take(object, "uplinks", row.uplinks);
  if (object.contains("ens")) row.ens = ReadEns(object["ens"]);
  Take(object, "dvsName", row.dvsName);
  Take(object, "uuid", row.uuid);
  Take(object, "implClass", row.implClass);
  Take(object, "version", row.version);
  Take(object, "switchId", row.switchId);
  for (const json& item : object.value("dvports", json::array())) {
    DVPortRow port;
    Take(item, "portId", port.portId);
    Take(item, "clients", port.clients);
    Take(item, "connectionId", port.connectionId);
    Take(item, "uplinks", port.uplinks);
    Take(item, "testEvents", port.testEvents);
    port.ref = RowRef{RowKind::kDVPort, port.portId};
    dvs.dvports.push_back(std::move(port));
  }
  return dvs;
}

json FaultJson(const FaultRow& fault) {
  json object = {{"id", fault.id}, {"op", fault.op}, {"message", fault.message}};
  if (fault.target) object["target"] = *fault.target;
  if (fault.times) object["times"] = *fault.times;
  if (fault.status) object["status"] = *fault.status;
  return object;
}

FaultRow ReadFault(const json& object) {
  FaultRow fault;
  Take(object, "id", fault.id);
  Take(object, "op", fault.op);
  Take(object, "message", fault.message);
  if (object.contains("target")) fault.target = object["target"].get<std::string>();
  if (object.contains("times")) fault.times = object["times"].get<int64_t>();
  if (object.contains("status")) fault.status = object["status"].get<int64_t>();
  return fault;
}

// Runs read, turning a record of the wrong shape into a message naming it.
template <typename Read>
auto Shaped(const char* what, Read&& read) {
  try {
    return read();
  } catch (const json::exception& e) {
    throw QuorvicException(std::string("the host's ") + what + " record is damaged: " + e.what());
  }
}

}  // namespace

json ParseRecord(const std::string& what, const std::string& text) {
  json record = json::parse(text, nullptr, false);
  if (record.is_discarded() || (!record.is_object() && !record.is_array())) {
    throw QuorvicException("the host's " + what + " record is not JSON");
  }
  return record;
}

json SwitchRecord(const SwitchRow& row) {
  return {{"format", hostnet::kRecordsFormat},
          {"system", row.system},
          {"running", row.running},
          {"numPorts", row.numPorts},
          {"configuredPorts", row.configuredPorts},
          {"cdp", row.cdp},
          {"linkOrder", row.uplinks},
          {"configUplinks", row.configUplinks},
          {"teaming", TeamingJson(row.teaming)},
          {"ens", EnsJson(row.ens)}};
}

void ReadSwitchRecord(const json& record, SwitchRow& row) {
  Shaped("switch", [&] {
    Take(record, "system", row.system);
    Take(record, "running", row.running);
    Take(record, "numPorts", row.numPorts);
    Take(record, "configuredPorts", row.configuredPorts);
    Take(record, "cdp", row.cdp);
    Take(record, record.contains("linkOrder") ? "linkOrder" : "uplinks", row.uplinks);
    Take(record, "configUplinks", row.configUplinks);
    if (record.contains("teaming")) row.teaming = ReadTeaming(record["teaming"]);
    if (record.contains("ens")) row.ens = ReadEns(record["ens"]);
    return 0;
  });
}

int SwitchRecordFormat(const json& record) {
  const json* format = record.contains("format") ? &record.at("format") : nullptr;
  if (format != nullptr && format->is_number_integer()) return format->get<int>();
  return record.contains("linkOrder") ? 2 : 1;
}

json PortGroupsRecord(const std::vector<PortGroupRow>& groups,
                      const std::set<std::string>& vlanBridges) {
  json record = json::array();
  for (const PortGroupRow& pg : groups) {
    json item = {{"name", pg.name}, {"teaming", TeamingJson(pg.teaming)}, {"vlan", pg.vlan}};
    if (vlanBridges.count(pg.name) != 0) item["bridge"] = true;
    record.push_back(std::move(item));
  }
  return record;
}

std::vector<PortGroupRow> ReadPortGroupsRecord(const json& record,
                                               std::set<std::string>* vlanBridges) {
  return Shaped("port group", [&] {
    std::vector<PortGroupRow> groups;
    for (const json& item : record) {
      PortGroupRow pg;
      Take(item, "name", pg.name);
      pg.ref = RowRef{RowKind::kPortGroup, pg.name};
      Take(item, "vlan", pg.vlan);
      bool bridge = false;
      Take(item, "bridge", bridge);
      if (bridge && vlanBridges != nullptr) vlanBridges->insert(pg.name);
      if (item.contains("teaming")) pg.teaming = ReadTeaming(item["teaming"]);
      groups.push_back(std::move(pg));
    }
    return groups;
  });
}

json RootRecordsJson(const RootRecords& root) {
  const HostRecords& records = root.host;
  json record = {{"ensActivateNode", records.ensActivateNode},
                 {"nextFaultId", root.nextFaultId},
                 {"dvswitches", json::array()},
                 {"uplinkTimeouts", json::array()},
                 {"lagTimeouts", json::array()},
                 {"faults", json::array()}};
  for (const DVSwitchDoc& dvs : root.dvswitches) record["dvswitches"].push_back(DVSwitchJson(dvs));
  for (const UplinkTimeoutRow& t : records.uplinkTimeouts) {
    record["uplinkTimeouts"].push_back({{"portset", t.portset},
                                        {"uplink", t.uplink},
                                        {"lagId", t.lagId},
                                        {"timeout", t.timeout},
                                        {"loaded", t.loaded}});
  }
  for (const LagTimeoutRow& t : records.lagTimeouts) {
    record["lagTimeouts"].push_back(
        {{"portset", t.portset}, {"lagId", t.lagId}, {"timeout", t.timeout}, {"loaded", t.loaded}});
  }
  for (const FaultRow& fault : records.faults) record["faults"].push_back(FaultJson(fault));
  return record;
}

json HistoryRecord(const HistoryRow& row) {
  return {{"time", row.timeUs},
          {"pid", row.pid},
          {"uid", row.uid},
          {"command", row.command},
          {"operation", row.operation},
          {"object", row.object},
          {"done", row.done},
          {"message", row.message}};
}

HistoryRow ReadHistoryRecord(const json& record) {
  HistoryRow row;
  row.timeUs = record.value("time", int64_t{0});
  row.pid = record.value("pid", int64_t{0});
  row.uid = record.value("uid", int64_t{0});
  row.command = record.value("command", "");
  row.operation = record.value("operation", "");
  row.object = record.value("object", "");
  row.done = record.value("done", false);
  row.message = record.value("message", "");
  return row;
}

RootRecords ReadRootRecords(const json& record) {
  return Shaped("host", [&] {
    RootRecords root;
    HostRecords& records = root.host;
    Take(record, "ensActivateNode", records.ensActivateNode);
    Take(record, "nextFaultId", root.nextFaultId);
    for (const json& item : record.value("dvswitches", json::array())) {
      root.dvswitches.push_back(ReadDVSwitch(item));
    }
    for (const json& item : record.value("uplinkTimeouts", json::array())) {
      UplinkTimeoutRow t;
      Take(item, "portset", t.portset);
      Take(item, "uplink", t.uplink);
      Take(item, "lagId", t.lagId);
      Take(item, "timeout", t.timeout);
      Take(item, "loaded", t.loaded);
      records.uplinkTimeouts.push_back(std::move(t));
    }
    for (const json& item : record.value("lagTimeouts", json::array())) {
      LagTimeoutRow t;
      Take(item, "portset", t.portset);
      Take(item, "lagId", t.lagId);
      Take(item, "timeout", t.timeout);
      Take(item, "loaded", t.loaded);
      records.lagTimeouts.push_back(std::move(t));
    }
    for (const json& item : record.value("faults", json::array())) {
      records.faults.push_back(ReadFault(item));
    }
    return root;
  });
}

}  // namespace ovs_host
