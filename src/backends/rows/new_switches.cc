#include "backends/rows/new_switches.h"

#include <optional>
#include <utility>

#include "backends/rows/range_checks.h"
#include "backends/rows/row_limits.h"
#include "backends/rows/switch_edits.h"
#include "backends/rows/uplinks.h"
#include "hostnet/quorvic_exception.h"

namespace rows {

using Quorvic::Lib::QuorvicException;

namespace {

SwitchRow NewSwitchRow(RowStore& store, SwitchKind kind, const std::string& name,
                       uint32_t numPorts) {
  CheckSwitchName(name, store.MaxSwitchNameSize());
  CheckNumPorts(numPorts);
  SwitchRow row;
  row.kind = kind;
  row.name = name;
  row.numPorts = numPorts;
  row.configuredPorts = numPorts;
  row.mtu = kDefaultMtu;
  return row;
}

// Throws unless no switch of any kind, running or stopped, is named name.
void RequireNameFree(RowStore& store, const std::string& name) {
  std::optional<SwitchRow> holder = store.FindAnySwitch(SwitchKey::Name(name));
  if (!holder) return;
  if (!holder->running) {
    throw QuorvicException("a stopped switch named " + name +
                           " already exists; `ploncfg-vswitch -r` starts it");
  }
  SwitchNameTaken(name);
}

}  // namespace

StandardSwitchDoc NewStandardSwitch(RowStore& store, const std::string& name, uint32_t numPorts,
                                    TeamingRow teaming) {
  StandardSwitchDoc sw;
  sw.row = NewSwitchRow(store, SwitchKind::kStandard, name, numPorts);
  sw.row.cdp = kCdpListen;
  RequireNameFree(store, name);
  if (teaming.orderSet) {
    CheckUplinkOrder(store, teaming.order);
  } else {
    teaming.order.clear();
  }
  sw.row.teaming = std::move(teaming);
  return sw;
}

DVSwitchDoc NewDVSwitch(RowStore& store, const std::string& name, uint32_t numPorts,
                        const std::string& uuid, const std::string& implClass,
                        const std::string& dvsName, uint32_t version) {
  DVSwitchDoc dvs;
  dvs.row = NewSwitchRow(store, SwitchKind::kDistributed, name, numPorts);
  CheckPrintableName("DVS", dvsName);
  CheckPrintableName("implementation class", implClass);
  dvs.row.dvsName = dvsName;
  dvs.row.uuid = uuid;
  dvs.row.switchId = uuid;
  dvs.row.implClass = implClass;
  dvs.row.version = version;
  RequireNameFree(store, name);
  return dvs;
}

}  // namespace rows
