#include "backends/rows/dv_switch_edits.h"

#include <algorithm>

#include "backends/rows/range_checks.h"
#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Lib::QuorvicException;

namespace {

void AppendOnce(std::vector<std::string>& names, const std::string& name) {
  if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

}  // namespace

void AttachDVPortUplink(DVSwitchDoc& dvs, const std::string& pnic, const std::string& portId) {
  auto port = std::find_if(dvs.dvports.begin(), dvs.dvports.end(),
                           [&](const DVPortRow& p) { return p.portId == portId; });
  if (port == dvs.dvports.end()) {
    throw QuorvicException("DVPort " + portId + " does not exist on " + dvs.row.name);
  }
  AppendOnce(port->uplinks, pnic);
  AppendOnce(dvs.row.uplinks, pnic);
}

void DetachDVPortUplink(DVSwitchDoc& dvs, const std::string& pnic) {
  bool removed = false;
  for (DVPortRow& port : dvs.dvports) {
    auto found = std::find(port.uplinks.begin(), port.uplinks.end(), pnic);
    if (found == port.uplinks.end()) continue;
    port.uplinks.erase(found);
    removed = true;
  }
  if (!removed) throw QuorvicException("no DVPort of " + dvs.row.name + " has uplink " + pnic);
}

void AddDVPortRow(DVSwitchDoc& dvs, const std::string& portId) {
  if (portId.empty()) throw QuorvicException("a DVPort ID must not be empty");
  CheckPrintableName("DVPort ID", portId);
  for (const DVPortRow& port : dvs.dvports) {
    if (port.portId == portId) {
      throw QuorvicException("DVPort " + portId + " already exists on " + dvs.row.name);
    }
  }
  DVPortRow port;
  port.portId = portId;
  dvs.dvports.push_back(std::move(port));
}

void RemoveDVPortRow(DVSwitchDoc& dvs, const std::string& portId) {
  auto port = std::find_if(dvs.dvports.begin(), dvs.dvports.end(),
                           [&](const DVPortRow& p) { return p.portId == portId; });
  if (port == dvs.dvports.end()) {
    throw QuorvicException("DVPort " + portId + " does not exist on " + dvs.row.name);
  }
  dvs.dvports.erase(port);
}

DVPortRow& DVPortOf(DVSwitchDoc& dvs, const std::string& portId) {
  for (DVPortRow& port : dvs.dvports) {
    if (port.portId == portId) return port;
  }
  throw QuorvicException("DVPort " + portId + " no longer exists");
}

DVSwitchDoc HostPart(const DVSwitchDoc& dvs, const std::string& portId) {
  DVSwitchDoc part;
  part.row = dvs.row;
  for (const DVPortRow& port : dvs.dvports) {
    if (port.portId == portId || !port.uplinks.empty()) part.dvports.push_back(port);
  }
  return part;
}

void PutBackPart(DVSwitchDoc& dvs, const DVSwitchDoc& part, const std::string& portId) {
  dvs.row.uplinks = part.row.uplinks;
  auto has = [](const DVSwitchDoc& doc, const std::string& id) {
    return std::any_of(doc.dvports.begin(), doc.dvports.end(),
                       [&](const DVPortRow& p) { return p.portId == id; });
  };
  if (!has(part, portId)) {
    dvs.dvports.erase(std::remove_if(dvs.dvports.begin(), dvs.dvports.end(),
                                     [&](const DVPortRow& p) { return p.portId == portId; }),
                      dvs.dvports.end());
  }
  for (const DVPortRow& changed : part.dvports) {
    if (!has(dvs, changed.portId)) dvs.dvports.push_back(changed);
    for (DVPortRow& port : dvs.dvports) {
      if (port.portId == changed.portId) port = changed;
    }
  }
}

}  // namespace rows
