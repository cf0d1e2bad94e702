#include "commands/dvport_commands.h"

#include <cstdint>
#include <ctime>
#include <memory>

#include "commands/end_run.h"
#include "hostnet/korvel_impl.h"
#include "hostnet/network_factory.h"
#include "output/output.h"

using Korvel::Network::DVPortImpl;
using Quorvic::Network::DVPortParam;
using Quorvic::Network::DVSwitch;
using Quorvic::Network::NetworkFactory;

namespace {

// The param of a DVPort that has no connection id yet.
DVPortParam MakeDVPortParam(const DVSwitch& dvswitch, const std::string& dvPortId) {
  DVPortParam param;
  param.switchId = dvswitch.GetSwitchId();
  param.portId = dvPortId;
  param.connectionId = 0;
  return param;
}

void EndRunUnlessValid(DVPortImpl& port, const std::string& dvPortId) {
  if (!port.IsValid()) {
    ErrorLine() << "Invalid DVPort params " << dvPortId;
    throw EndRun{1};
  }
}

}  // namespace

void DVPortUplinkCommand(DVSwitch& dvswitch, const std::string& dvPortId, const std::string& uplink,
                         bool add) {
  DVPortParam param = MakeDVPortParam(dvswitch, dvPortId);
  DVPortImpl port(param);
  EndRunUnlessValid(port, dvPortId);
  if (port.GetConnectionId() == 0) {
    // Any non-zero value will do; the clock keeps successive ids apart.
    port.SetConnectionId(static_cast<uint32_t>(std::time(nullptr)));
  }
  param.connectionId = port.GetConnectionId();
  if (add) {
    dvswitch.AddDVPortUplink(uplink, param);
  } else {
    dvswitch.RemoveDVPortUplink(uplink, 0);
  }
}

void TestSyncZetCommand(DVSwitch& dvswitch, const std::string& dvPortId) {
  const DVPortParam param = MakeDVPortParam(dvswitch, dvPortId);
  DVPortImpl port(param);
  EndRunUnlessValid(port, dvPortId);
  port.TestDVPortZet();
}

void DVPortUplinkBlock(RunContext& run) {
  std::unique_ptr<DVSwitch> dvswitch = NetworkFactory::GetDVSwitchByName(run.line.vswitchName);
  DVPortUplinkCommand(*dvswitch, run.line.dvPortId, run.line.uplinkName,
                      run.line.Has(Bit::kAddDVPortUplink));
}

void TestSyncZetBlock(RunContext& run) {
  std::unique_ptr<DVSwitch> dvswitch = NetworkFactory::GetDVSwitchByName(run.line.vswitchName);
  TestSyncZetCommand(*dvswitch, run.line.dvPortId);
}
