#include <algorithm>

#include "backends/ovsdb/ovs_store.h"
#include "backends/rows/dv_switch_edits.h"
#include "hostnet/quorvic_exception.h"

namespace ovs_host {

using Quorvic::Lib::QuorvicException;

namespace {

// The DVPort portId of the running DVSwitch dvsName in records, or a throw
// naming it.
DVPortRow& RequireDVPort(HostRecords& records, const std::string& dvsName,
                         const std::string& portId) {
  for (DVSwitchDoc& dvs : records.dvswitches) {
    if (dvs.row.name == dvsName && dvs.row.running) return rows::DVPortOf(dvs, portId);
  }
  throw QuorvicException("DVPort " + portId + " no longer exists");
}

}  // namespace

void OvsStore::AddDVPortUplink(const SwitchRow& sw, const std::string& pnic,
                               const std::string& portId) {
  RequirePnic(pnic);
  EditDV("attaching uplink " + pnic + " to " + sw.name, sw,
         [&](DVSwitchDoc& dvs) { rows::AttachDVPortUplink(dvs, pnic, portId); });
}

void OvsStore::RemoveDVPortUplink(const SwitchRow& sw, const std::string& pnic) {
  EditDV("detaching uplink " + pnic + " from " + sw.name, sw,
         [&](DVSwitchDoc& dvs) { rows::DetachDVPortUplink(dvs, pnic); });
}

void OvsStore::SetConnectionId(const DVPortRow& port, uint32_t connectionId) {
  const RowKey& key = KeyOf(port.id);
  std::string dvsName = key.first.substr(key.first.find(':') + 1);
  EditRecords("setting the connection ID of DVPort " + port.portId, [&](HostRecords& records) {
    RequireDVPort(records, dvsName, port.portId).connectionId = connectionId;
  });
}

void OvsStore::RaiseTestEvent(const DVPortRow& port) {
  const RowKey& key = KeyOf(port.id);
  std::string dvsName = key.first.substr(key.first.find(':') + 1);
  EditRecords("raising the test event of DVPort " + port.portId, [&](HostRecords& records) {
    ++RequireDVPort(records, dvsName, port.portId).testEvents;
  });
}

void OvsStore::SetEnsActivateNode(uint32_t value) {
  EditRecords("setting the ENS activation node",
              [&](HostRecords& records) { records.ensActivateNode = value; });
}

void OvsStore::LoadUplinkTimeouts(const std::string& portset, uint32_t lagId,
                                  const std::string& uplink) {
  EditRecords("loading uplink timeouts", [&](HostRecords& records) {
    for (UplinkTimeoutRow& row : records.uplinkTimeouts) {
      if ((portset.empty() || row.portset == portset) && (lagId == 0 || row.lagId == lagId) &&
          (uplink.empty() || row.uplink == uplink)) {
        row.loaded = true;
      }
    }
  });
}

void OvsStore::LoadLagTimeouts(const std::string& portset, uint32_t lagId) {
  EditRecords("loading LAG timeouts", [&](HostRecords& records) {
    for (LagTimeoutRow& row : records.lagTimeouts) {
      if ((portset.empty() || row.portset == portset) && (lagId == 0 || row.lagId == lagId)) {
        row.loaded = true;
      }
    }
  });
}

void OvsStore::AddFault(const FaultRow& fault) {
  EditRecords("adding a fault", [&](HostRecords& records) {
    FaultRow added = fault;
    added.id = records.nextFaultId++;
    records.faults.push_back(std::move(added));
  });
}

void OvsStore::ClearFaults() {
  EditRecords("clearing the faults", [](HostRecords& records) { records.faults.clear(); });
}

bool OvsStore::SpendFault(int64_t id) {
  bool fires = false;
  EditRecords("spending a fault", [&](HostRecords& records) {
    fires = false;
    auto& faults = records.faults;
    auto fault =
        std::find_if(faults.begin(), faults.end(), [&](const FaultRow& f) { return f.id == id; });
    if (fault == faults.end()) return;
    fires = true;
    if (fault->times && --*fault->times <= 0) faults.erase(fault);
  });
  return fires;
}

}  // namespace ovs_host
