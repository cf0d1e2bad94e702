#include "hostnet/host_json_print.h"

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "hostnet/records_format.h"

namespace {

using hostnet::DVPortRow;
using hostnet::DVSwitchDoc;
using hostnet::EnsState;
using hostnet::FaultRow;
using hostnet::PortGroupRow;
using hostnet::StandardSwitchDoc;
using hostnet::SwitchRow;
using hostnet::TeamingRow;

std::string Quote(const std::string& text) {
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string Bool(bool value) { return value ? "true" : "false"; }

std::string Names(const std::vector<std::string>& names) {
  std::string out = "[";
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += ", ";
    out += Quote(names[i]);
  }
  return out + "]";
}

// "key": value
std::string Field(const char* key, const std::string& value) {
  return std::string("\"") + key + "\": " + value;
}

// An inline object: {"a": 1, "b": 2}
std::string Inline(const std::vector<std::string>& fields) {
  std::string out = "{";
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ", ";
    out += fields[i];
  }
  return out + "}";
}

// A multi-line object at indent, one field per line.
std::string Block(const std::vector<std::string>& fields, const std::string& indent) {
  std::string out = "{\n";
  for (size_t i = 0; i < fields.size(); ++i) {
    out += indent + "  " + fields[i] + (i + 1 < fields.size() ? ",\n" : "\n");
  }
  return out + indent + "}";
}

// An array of already formatted items, one per line at indent; [] when empty.
std::string Lines(const std::vector<std::string>& items, const std::string& indent) {
  if (items.empty()) return "[]";
  std::string out = "[\n";
  for (size_t i = 0; i < items.size(); ++i) {
    out += indent + "  " + items[i] + (i + 1 < items.size() ? ",\n" : "\n");
  }
  return out + indent + "]";
}

std::string Number(uint64_t value) { return std::to_string(value); }
std::string Signed(int64_t value) { return std::to_string(value); }

std::string Teaming(const TeamingRow& teaming) {
  std::vector<std::string> fields;
  if (teaming.orderSet) fields.push_back(Field("uplinkOrder", Names(teaming.order)));
  fields.push_back(Field("maxActive", Signed(teaming.maxActive)));
  return Inline(fields);
}

std::string Ens(const EnsState& ens) {
  return Inline({Field("active", Bool(ens.active)), Field("interrupt", Bool(ens.interrupt)),
                 Field("fastSwitch", Bool(ens.fastSwitch)),
                 Field("reassociations", Number(ens.reassociations)),
                 Field("forcedReassociations", Number(ens.forcedReassociations))});
}

const char* CdpName(int32_t cdp) {
  static const char* const kNames[] = {"down", "listen", "advertise", "both"};
  return cdp >= 0 && cdp < 4 ? kNames[cdp] : "listen";
}

std::string PortGroup(const PortGroupRow& pg) {
  return Inline({Field("name", Quote(pg.name)), Field("vlan", Number(pg.vlan)),
                 Field("ports", Number(pg.ports)), Field("teaming", Teaming(pg.teaming))});
}

std::string StandardSwitch(const StandardSwitchDoc& sw) {
  const SwitchRow& row = sw.row;
  std::vector<std::string> groups;
  for (const PortGroupRow& pg : sw.portGroups) groups.push_back(PortGroup(pg));
  return Block(
      {Field("name", Quote(row.name)), Field("running", Bool(row.running)),
       Field("system", Bool(row.system)), Field("numPorts", Number(row.numPorts)),
       Field("usedPorts", Number(row.usedPorts)),
       Field("configuredPorts", Number(row.configuredPorts)), Field("mtu", Number(row.mtu)),
       Field("cdp", Quote(CdpName(row.cdp))), Field("uplinks", Names(row.uplinks)),
       Field("configUplinks", Names(row.configUplinks)), Field("teaming", Teaming(row.teaming)),
       Field("ens", Ens(row.ens)), Field("portGroups", Lines(groups, "      "))},
      "    ");
}

std::string DVPort(const DVPortRow& port) {
  std::vector<std::string> fields = {
      Field("id", Quote(port.portId)), Field("clients", Names(port.clients)),
      Field("connectionId", Number(port.connectionId)), Field("uplinks", Names(port.uplinks)),
      Field("testEvents", Number(port.testEvents))};
  // What the engine shows of a VM bound to it; a load passes over it.
  if (port.binding) {
    fields.push_back(Field("boundTo", Inline({Field("host", Quote(port.binding->host)),
                                              Field("interface", Quote(port.binding->interface))})));
  }
  return Inline(fields);
}

std::string DVSwitch(const DVSwitchDoc& dvs) {
  const SwitchRow& row = dvs.row;
  std::vector<std::string> ports;
  for (const DVPortRow& port : dvs.dvports) ports.push_back(DVPort(port));
  return Block({Field("name", Quote(row.name)), Field("dvsName", Quote(row.dvsName)),
                Field("running", Bool(row.running)), Field("uuid", Quote(row.uuid)),
                Field("implClass", Quote(row.implClass)), Field("version", Number(row.version)),
                Field("switchId", Quote(row.switchId)), Field("numPorts", Number(row.numPorts)),
                Field("usedPorts", Number(row.usedPorts)),
                Field("configuredPorts", Number(row.configuredPorts)),
                Field("mtu", Number(row.mtu)), Field("uplinks", Names(row.uplinks)),
                Field("ens", Ens(row.ens)), Field("dvports", Lines(ports, "      "))},
               "    ");
}

std::string Opaque(const SwitchRow& row) {
  return Inline({Field("name", Quote(row.name)), Field("dvsName", Quote(row.dvsName)),
                 Field("numPorts", Number(row.numPorts)), Field("usedPorts", Number(row.usedPorts)),
                 Field("uplinks", Names(row.uplinks))});
}

std::string Fault(const FaultRow& fault) {
  std::vector<std::string> fields{Field("op", Quote(fault.op))};
  if (fault.target) fields.push_back(Field("target", Quote(*fault.target)));
  fields.push_back(Field("message", Quote(fault.message)));
  if (fault.times) fields.push_back(Field("times", Signed(*fault.times)));
  if (fault.status) fields.push_back(Field("status", Signed(*fault.status)));
  return Inline(fields);
}

}  // namespace

std::string HostToJson(const hostnet::HostDocument& host) {
  std::vector<std::string> switches, dvswitches, opaque, uplinkTimeouts, lagTimeouts, faults;
  for (const StandardSwitchDoc& sw : host.switches) switches.push_back(StandardSwitch(sw));
  for (const DVSwitchDoc& dvs : host.dvswitches) dvswitches.push_back(DVSwitch(dvs));
  for (const SwitchRow& row : host.opaqueSwitches) opaque.push_back(Opaque(row));
  for (const hostnet::UplinkTimeoutRow& t : host.uplinkTimeouts) {
    uplinkTimeouts.push_back(
        Inline({Field("portset", Quote(t.portset)), Field("uplink", Quote(t.uplink)),
                Field("lagId", Number(t.lagId)), Field("timeout", Number(t.timeout)),
                Field("loaded", Bool(t.loaded))}));
  }
  for (const hostnet::LagTimeoutRow& t : host.lagTimeouts) {
    lagTimeouts.push_back(
        Inline({Field("portset", Quote(t.portset)), Field("lagId", Number(t.lagId)),
                Field("timeout", Number(t.timeout)), Field("loaded", Bool(t.loaded))}));
  }
  for (const FaultRow& fault : host.faults) faults.push_back(Fault(fault));
  return Block({Field("pnics", Names(host.pnics)), Field("switches", Lines(switches, "  ")),
                Field("dvswitches", Lines(dvswitches, "  ")),
                Field("opaqueSwitches", Lines(opaque, "  ")),
                Field("uplinkTimeouts", Lines(uplinkTimeouts, "  ")),
                Field("lagTimeouts", Lines(lagTimeouts, "  ")),
                Field("ensActivateNode", Number(host.ensActivateNode)),
                Field("faults", Lines(faults, "  "))},
               "") +
         "\n";
}

std::string BackupJson(const hostnet::HostDocument& host) {
  const std::string dump = HostToJson(host);
  // The dump opens with a line of its own, "{".
  return "{\n  \"format\": " + std::to_string(hostnet::kRecordsFormat) + ",\n" + dump.substr(2);
}
