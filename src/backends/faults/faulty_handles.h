#ifndef BACKENDS_FAULTS_FAULTY_HANDLES_H_
#define BACKENDS_FAULTS_FAULTY_HANDLES_H_

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "backends/faults/fault_gate.h"
#include "hostnet/backend.h"

// The objects a FaultInjectionBackend hands out: each wraps the wrapped
// backend's object and sends every call through the gate under the
// operation's library name, with the object's name as the fault target.
// They must not outlive the gate.
namespace faults {

std::unique_ptr<Quorvic::Network::VirtualSwitchInfo> WrapSwitchInfo(
    FaultGate& gate, std::unique_ptr<Quorvic::Network::VirtualSwitchInfo> info);
std::unique_ptr<Quorvic::Network::VirtualSwitch> WrapVirtualSwitch(
    FaultGate& gate, std::unique_ptr<Quorvic::Network::VirtualSwitch> vswitch);
std::unique_ptr<Quorvic::Network::DVSwitch> WrapDVSwitch(
    FaultGate& gate, std::unique_ptr<Quorvic::Network::DVSwitch> dvswitch);
std::unique_ptr<Quorvic::Network::Portset> WrapPortset(
    FaultGate& gate, std::unique_ptr<Quorvic::Network::Portset> portset);
std::unique_ptr<Korvel::Network::PortGroupNameSet> WrapPortGroupNames(
    FaultGate& gate, std::unique_ptr<Korvel::Network::PortGroupNameSet> names);
std::unique_ptr<hostnet::NamedPortGroup> WrapNamedPortGroup(
    FaultGate& gate, std::string name, std::unique_ptr<hostnet::NamedPortGroup> portGroup);
std::unique_ptr<hostnet::NamedDVPort> WrapNamedDVPort(FaultGate& gate, std::string portId,
                                                      std::unique_ptr<hostnet::NamedDVPort> port);

}  // namespace faults

#endif  // BACKENDS_FAULTS_FAULTY_HANDLES_H_
