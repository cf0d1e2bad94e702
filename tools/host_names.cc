#include "tools/host_names.h"

#include <algorithm>
#include <iterator>

#include "hostnet/names.h"
#include "hostnet/quorvic_exception.h"

namespace {

const char* const kKinds[] = {"pnic", "switch", "portgroup", "dvswitch", "dvport", "opaque"};

void AddName(std::string& out, const std::string& name) {
  if (hostnet::IsPrintableName(name)) out += name + "\n";
}

}  // namespace

std::vector<std::string> NameKinds(const std::vector<std::string>& args) {
  if (args.empty()) return std::vector<std::string>(std::begin(kKinds), std::end(kKinds));
  for (const std::string& kind : args) {
    if (std::find(std::begin(kKinds), std::end(kKinds), kind) == std::end(kKinds)) {
      throw Quorvic::Lib::QuorvicException(
          "unknown kind " + kind + " (known: pnic, switch, portgroup, dvswitch, dvport, opaque)");
    }
  }
  return args;
}

std::string HostNames(const hostnet::HostDocument& host, const std::vector<std::string>& kinds) {
  std::string out;
  for (const std::string& kind : kinds) {
    if (kind == "pnic") {
      for (const std::string& pnic : host.pnics) AddName(out, pnic);
    }
    for (const hostnet::StandardSwitchDoc& sw : host.switches) {
      if (!sw.row.running) continue;
      if (kind == "switch") AddName(out, sw.row.name);
      if (kind != "portgroup") continue;
      for (const hostnet::PortGroupRow& group : sw.portGroups) AddName(out, group.name);
    }
    for (const hostnet::DVSwitchDoc& dvs : host.dvswitches) {
      if (!dvs.row.running) continue;
      if (kind == "dvswitch") AddName(out, dvs.row.name);
      if (kind != "dvport") continue;
      for (const hostnet::DVPortRow& port : dvs.dvports) AddName(out, port.portId);
    }
    if (kind == "opaque") {
      for (const hostnet::SwitchRow& sw : host.opaqueSwitches) AddName(out, sw.name);
    }
  }
  return out;
}
