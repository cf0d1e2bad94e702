#ifndef HOSTNET_BACKEND_H_
#define HOSTNET_BACKEND_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostnet/dv_port.h"
#include "hostnet/dv_switch.h"
#include "hostnet/history_row.h"
#include "hostnet/host_document.h"
#include "hostnet/karn.h"
#include "hostnet/network_info_impl.h"
#include "hostnet/nic_teaming_policy.h"
#include "hostnet/portset.h"
#include "hostnet/virtual_switch.h"
#include "hostnet/virtual_switch_info.h"

// The list KARN_Set takes: one unsigned value and its type.
struct KARN_ParamList {
  unsigned int value;
  KARN_ParamListType type;
};

namespace hostnet {

// What ReplaceHost does with DVSwitches that the host keeps where other hosts
// share them (a host whose DVSwitches are its own replaces them whole).
enum class SharedDVSwitches {
  // The document's DVSwitches and DVPorts are added, or updated where they
  // stand (so rows and what others keep on them stay); the rest stay too.
  kUpdate,
  // As kUpdate, and the shared DVSwitches and DVPorts the document lacks
  // are removed, for every host that shares them.
  kPrune,
};

// A port group reached by its name alone (PortGroupImpl). Every operation may
// throw Quorvic::Lib::QuorvicException.
class NamedPortGroup {
 public:
  virtual ~NamedPortGroup() = default;
  // Throws when the host no longer has the port group.
  virtual Quorvic::Network::NicTeamingPolicy GetTeamingPolicy() = 0;
  // Throws when the port group is gone or the policy's order names something
  // that is not a pnic; on a throw nothing changed.
  virtual void SetTeamingPolicy(Quorvic::Network::NicTeamingPolicy policy) = 0;
};

// A DVPort reached by the DVPortParam that names it (DVPortImpl). Every
// operation but IsValid throws Quorvic::Lib::QuorvicException when the DVPort
// does not exist.
class NamedDVPort {
 public:
  virtual ~NamedDVPort() = default;
  // False when the DVSwitch with the param's switch id has no such DVPort.
  virtual bool IsValid() = 0;
  virtual uint32_t GetConnectionId() const = 0;
  virtual void SetConnectionId(unsigned int connectionId) = 0;
  // Raises the DVPort's test observation event.
  virtual void TestDVPortZet() = 0;
};

// One engine that holds a host's network configuration: the simulated host,
// Open vSwitch, ... The library's entry points forward to the one backend of
// the process; a backend implements them and the handle classes
// (VirtualSwitch, DVSwitch, PortGroup, Portset, ...) in its own namespace.
//
// Every call may throw Quorvic::Lib::QuorvicException with a message that
// names the object and what is wrong; a changing call that throws has changed
// nothing. Objects are handed out owned by the caller and may be used for as
// long as the backend lives. One backend serves one thread.
class Backend {
 public:
  virtual ~Backend() = default;

  // --- What the host decides (never throws, never reaches the host) -------
  // Port count of a switch created without one (Portset::DEF_NUM_PORTS).
  virtual uint32_t DefaultNumPorts() const = 0;
  // Switch names must be shorter than this many bytes (MAX_VSNAME_SZ).
  virtual uint32_t MaxSwitchNameSize() const = 0;
  // NetworkInfoImpl::DefaultDVSCacheFile.
  virtual std::string DefaultDVSCacheFile() const = 0;
  // KARN_NODE_net_ens_activate.
  virtual uint16_t EnsActivateNode() const = 0;

  // --- Entry points of the library ---------------------------------------
  // Reaches the host (NetworkInfoImpl's constructor); throws naming the host
  // and the reason when it cannot.
  virtual void Connect() = 0;
  virtual std::unique_ptr<Quorvic::Network::VirtualSwitchInfo> GetVirtualSwitchInfo() = 0;
  virtual std::unique_ptr<Korvel::Network::PortGroupNameSet> GetAllPortGroupNames() = 0;
  // Lookups of running objects; each throws when there is none.
  virtual std::unique_ptr<Quorvic::Network::VirtualSwitch> GetVirtualSwitchById(
      const std::string& name) = 0;
  virtual std::unique_ptr<Quorvic::Network::DVSwitch> GetDVSwitchByName(
      const std::string& name) = 0;
  // The portset of the running standard switch or DVSwitch of that name.
  virtual std::unique_ptr<Quorvic::Network::Portset> GetPortsetById(const std::string& name) = 0;
  // True when name is a running standard switch or DVSwitch.
  virtual bool IsValidVirtualSwitch(const std::string& name) = 0;
  // True when name is a running standard switch.
  virtual bool SwitchExists(const std::string& name) = 0;
  // The CDP status value a text names; throws for a text the host does not know.
  virtual int32_t ParseCdpStatus(const std::string& text) = 0;
  // True when a running standard switch has a port group of that name.
  virtual bool IsValidPortGroup(const std::string& name) = 0;
  // The port group of that name; throws when there is none.
  virtual std::unique_ptr<NamedPortGroup> OpenPortGroup(const std::string& name) = 0;
  // A handle on the DVPort param names; it need not exist (see IsValid).
  virtual std::unique_ptr<NamedDVPort> OpenDVPort(const Quorvic::Network::DVPortParam& param) = 0;
  // Called as a library operation begins that asks nothing of the host (a
  // value's accessor, a constructor without work); op is "Class.Method".
  // Backends have nothing to do here; a wrapper may throw to refuse it.
  virtual void NoteCall(const char* /*op*/) {}

  // --- The kernel interface (never throws) ----------------------------------
  // The KARN_ calls and DREL_ReturnStatusToString, as karn.h describes them.
  virtual int KernelCheckSig(KARN_SigInfo* info, uint32_t sigVersion, KARN_SigError* error) = 0;
  virtual int KernelSet(uint16_t node, int instance, const KARN_ParamList* params, int flags,
                        int reserved) = 0;
  virtual const char* KernelStatusText(int status) const = 0;
  // SysinfoUtil::GetIntParamList: a new list, or null on failure.
  virtual KARN_ParamList* GetIntParamList(unsigned int value, KARN_ParamListType type) {
    return new KARN_ParamList{value, type};
  }

  // --- The whole host, for ploncfg-host -------------------------------------
  // The host as one consistent document, faults included. Where DVSwitches
  // are shared, the document holds this host's uplinks only, and skips rows
  // of other writers that cannot be read (Health names them).
  virtual HostDocument ReadHost() = 0;
  // Replaces the whole host with doc, which the caller has checked; shared
  // says what becomes of DVSwitches other hosts share.
  virtual void ReplaceHost(const HostDocument& doc, SharedDVSwitches shared) = 0;
  // Adds DVPort portId, with no clients, uplinks or connection id, after the
  // others of the running DVSwitch dvswitch. Throws when there is no such
  // DVSwitch, it has a DVPort portId already, or portId is empty or not
  // printable text.
  virtual void AddDVPort(const std::string& dvswitch, const std::string& portId) = 0;
  // Removes DVPort portId of the running DVSwitch dvswitch, and this host's
  // uplinks on it. Throws when there is no such DVSwitch or DVPort.
  virtual void RemoveDVPort(const std::string& dvswitch, const std::string& portId) = 0;
  // Adds the LAG record of portset lagId with timeout, not loaded, after the
  // others; what it runs comes with the next load (-G). Throws when lagId is
  // 0, timeout is above 255 or portset has a LAG lagId already; a host whose
  // LAGs are its switches' uplink bonds also refuses a portset that is not
  // one of its running standard switches, a second LAG of one switch, and a
  // timeout its LACP does not take.
  virtual void AddLag(const std::string& portset, uint32_t lagId, uint32_t timeout) = 0;
  // Removes the LAG record of portset lagId; the records of its uplinks
  // stay, and a bond that runs it goes back to its teaming policy with the
  // next load. Throws when there is no such record.
  virtual void RemoveLag(const std::string& portset, uint32_t lagId) = 0;
  // The host a fresh installation starts with.
  virtual HostDocument DefaultHost() const = 0;
  // Simulates a host restart: switches stop, links and ENS state go, the
  // stored configuration stays.
  virtual void Reboot() = 0;
  // Brings every record of the host's stores that an earlier build wrote to
  // this build's format (hostnet/records_format.h), as the first change of
  // each object would, one change per store; says what it did, a line per
  // object, none when every record was of this format already. Throws, for
  // a store of a later format, changing nothing there.
  virtual std::vector<std::string> Migrate() = 0;
  // What the engine shows that differs from what the host's configuration
  // asks for, or that keeps it from applying it, and what is amiss in what
  // this host shares with others and its document cannot show (rows of
  // other writers that cannot be read, names this host's switches share with
  // logical switches others made, DVSwitches whose MTU the tunnel between
  // hosts cannot carry): one line each, with the command that fixes it where
  // there is one. Empty for a healthy host.
  virtual std::vector<std::string> Health() = 0;
  // As ReadHost, for status: where the DVSwitches are shared in a database
  // that cannot be reached, the host's own part alone (Health says why).
  virtual HostDocument ReadReachableHost() { return ReadHost(); }
  // Makes this host's wiring of DVSwitch uplinks to its pnics (where its
  // engine carries their traffic) match its uplinks on the DVSwitches: what
  // DVSwitches or DVPorts others removed left behind goes, what is missing
  // is made. Nothing on a host that keeps uplinks as records. Throws naming
  // what it could not wire.
  virtual void Rewire() {}

  // --- Faults the host keeps for the fault-injecting wrapper ---------------
  virtual std::vector<FaultRow> ReadFaults() = 0;
  virtual void AddFault(const FaultRow& fault) = 0;
  virtual void ClearFaults() = 0;
  // Takes one firing off fault id, durably: true when it may fire (it had
  // times left, or has no count); removes it when its count reaches 0.
  virtual bool SpendFault(int64_t id) = 0;

  // --- The history of changes the host keeps ------------------------------
  // Hands over the history row of the library call about to run, as done:
  // the first transaction of the call that changes the host writes it with
  // the change, so that the change and its record commit together. A host
  // that undoes the change in a later transaction (the datapath refused it)
  // rewrites the row there as refused, with the message the call throws.
  // A host that keeps its history apart from its changes ignores it.
  virtual void StageHistory(const HistoryRow& /*row*/) {}
  // Ends what StageHistory began, saying what became of the row.
  virtual StagedRow UnstageHistory() { return StagedRow::kNotWritten; }
  // Appends row (its id is ignored; the host gives the next one) and drops
  // the oldest rows beyond kHistoryLimit; a row with the timeUs and pid of
  // the row a transaction wrote for the last staged call replaces that row.
  // The recorder calls this for a change no transaction recorded, right
  // after it has been done or refused, with the host's own writer
  // protection as for any change; it never fires a fault. The host document
  // (ReadHost, ReplaceHost, Reboot) neither holds nor clears the history.
  // Throws QuorvicException when the host cannot keep the row.
  virtual void AppendHistory(const HistoryRow& row) = 0;
  // The rows whose timeUs is sinceUs or later, oldest first (in id order),
  // ids filled in; empty when the host has none yet. Reads a snapshot and
  // takes no writer lock.
  virtual std::vector<HistoryRow> ReadHistory(int64_t sinceUs) = 0;
};

}  // namespace hostnet

#endif  // HOSTNET_BACKEND_H_
