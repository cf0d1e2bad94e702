#include "commands/switch_lifecycle.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "commands/end_run.h"
#include "commands/uuid_text.h"
#include "hostnet/korvel_impl.h"
#include "hostnet/network_factory.h"
#include "hostnet/policies.h"
#include "hostnet/quorvic_exception.h"
#include "output/output.h"

using Quorvic::Lib::QuorvicException;
using Quorvic::Network::NetworkFactory;
using Quorvic::Network::VirtualSwitchInfo;

namespace {

const char kEtherSwitch[] = "etherswitch";
const char kCSwitch[] = "cswitch";
// etherswitch backs DVS versions up to this one, cswitch the later ones.
constexpr uint32_t kLastEtherSwitchVersion = 5;
constexpr uint32_t kFirstCSwitchVersion = 6;

// The implementation class and version a new DVSwitch is created with.
struct DVSwitchKind {
  std::string implClass;
  uint32_t version;
};

// Fills in what the command line left out: the class follows from the
// version, the version from the class; with neither, the newest kind.
// versionText is read as a base-10 number kept to 32 bits.
DVSwitchKind ChooseDVSwitchKind(bool classGiven, const std::string& implClass, bool versionGiven,
                                const std::string& versionText) {
  const auto version = static_cast<uint32_t>(std::strtol(versionText.c_str(), nullptr, 10));
  if (classGiven && versionGiven) return {implClass, version};
  if (classGiven) {
    return {implClass, implClass == kCSwitch ? kFirstCSwitchVersion : kLastEtherSwitchVersion};
  }
  if (versionGiven) {
    // A version written as a negative number counts as an old one here.
    const bool old = static_cast<int32_t>(version) <= static_cast<int32_t>(kLastEtherSwitchVersion);
    return {old ? kEtherSwitch : kCSwitch, version};
  }
  return {kCSwitch, kFirstCSwitchVersion};
}

// Ends the run when the class cannot be backed by a DVS of that version.
void RefuseUnbackedKind(const DVSwitchKind& kind) {
  const std::string blanks(16, ' ');
  if (kind.version > kLastEtherSwitchVersion && kind.implClass == kEtherSwitch) {
    ErrorLine() << "Implementation class etherswitch cannot be" << blanks << "backed by DVS 6.6";
    throw EndRun{1};
  }
  if (kind.version <= kLastEtherSwitchVersion && kind.implClass == kCSwitch) {
    ErrorLine() << "Implementation class cswitch can be backed" << blanks << "only from DVS 6.6";
    throw EndRun{1};
  }
}

// True when name is a DVSwitch. Only "no such DVSwitch" is the ordinary
// "no"; any other failure of the lookup (an unreadable host, a refused read)
// says nothing of the name and goes on to the caller.
bool IsDVSwitch(const std::string& name) {
  try {
    NetworkFactory::GetDVSwitchByName(name);
    return true;
  } catch (const QuorvicException& e) {
    if (e.GetKind() != QuorvicException::Kind::kNotFound) throw;
    return false;
  }
}

}  // namespace

int AddSwitch(VirtualSwitchInfo& info, const std::string& name, uint32_t numPorts) {
  try {
    // A new switch starts with every policy at its default.
    const auto capabilities = Quorvic::Network::NicCapabilities::GetDefaultPolicy();
    const auto shaping = Quorvic::Network::ShapingPolicy::GetDefaultPolicy();
    const auto security = Quorvic::Network::PortSecurityPolicy::GetDefaultPolicy();
    const auto teaming = Quorvic::Network::NicTeamingPolicy::GetDefaultPolicy();
    info.AddVirtualSwitch(teaming, security, shaping, capabilities, name, numPorts);
    return 0;
  } catch (const QuorvicException& e) {
    ErrorLine() << "Failed to add vswitch: " << name << ", Error: " << e.GetMessage();
    return 1;
  }
}

int AddDistributedSwitch(VirtualSwitchInfo& info, const std::string& uuidText,
                         const std::string& name, const std::string& implClass, uint32_t numPorts,
                         uint32_t version) {
  try {
    info.AddDVSwitch(uuidText, name, implClass, name, numPorts, version, 0);
    return 0;
  } catch (const QuorvicException& e) {
    ErrorLine() << "Failed to add DVswitch: " << name << ", Error: " << e.GetMessage();
    return 1;
  }
}

int RemoveSwitch(VirtualSwitchInfo& info, const std::string& name) {
  try {
    info.RemoveVirtualSwitch(name);
    return 0;
  } catch (const QuorvicException& e) {
    ErrorLine() << "Failed to remove vswitch: " << name << ", Error: " << e.GetMessage();
    return 1;
  }
}

void CheckSwitch(const std::string& name) {
  Korvel::Network::VirtualSwitchInfoImpl standardSwitches;
  const bool exists = IsDVSwitch(name) || standardSwitches.SwitchExists(name);
  OutputLine() << (exists ? "1" : "0");
}

void AddSwitchBlock(RunContext& run) {
  const CommandLine& line = run.line;
  const uint32_t numPorts = line.numPorts.value_or(Quorvic::Network::Portset::DEF_NUM_PORTS);
  if (!line.Has(Bit::kDVSwitch)) {
    run.result = AddSwitch(run.info, line.vswitchName, numPorts);
    return;
  }
  // Without a UUID of its own, the switch is known by one made from its name.
  const std::string uuid =
      line.dvsUuid.empty() ? std::string(UuidToString(line.vswitchName.c_str())) : line.dvsUuid;
  const DVSwitchKind kind = ChooseDVSwitchKind(line.Has(Bit::kImplClass), line.implClass,
                                               line.Has(Bit::kVersion), line.dvsVersion);
  RefuseUnbackedKind(kind);
  run.result = AddDistributedSwitch(run.info, uuid, line.vswitchName, kind.implClass, numPorts,
                                    kind.version);
}

void RemoveSwitchBlock(RunContext& run) {
  const std::string& name = run.line.vswitchName;
  // A DVSwitch is removed only when the command line says so (-W); the answer
  // about standard switches is asked for either way.
  const bool removable = Korvel::Network::PortsetImpl::IsValidVirtualSwitch(name) &&
                         (run.info.IsStandardSwitch(name) || run.line.Has(Bit::kDVSwitch));
  if (!removable) {
    ErrorLine() << "Not a valid virtual switch or it is a DVSwitch: " << name;
    throw EndRun{1};
  }
  run.result = RemoveSwitch(run.info, name);
}

void CheckSwitchBlock(RunContext& run) { CheckSwitch(run.line.vswitchName); }
