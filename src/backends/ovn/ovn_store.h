#ifndef BACKENDS_OVN_OVN_STORE_H_
#define BACKENDS_OVN_OVN_STORE_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "backends/ovn/dv_rows.h"
#include "backends/ovn/leader_link.h"
#include "backends/ovsdb/database.h"
#include "backends/ovsdb/guarded_change.h"
#include "backends/rows/chassis.h"

// The DVSwitches of every host that shares one OVN northbound database
// (dv_rows.h gives the mapping), as one host sees them: with its own uplinks
// only. A DVSwitch's ref is its Logical_Switch's UUID, a DVPort's its
// Logical_Switch_Port's. Each change is one guarded transaction
// (ovsdb::RunGuarded) through the run's one commit path to the leader
// (ovsdb::Database, with the command line as its comment and a token in
// NB_Global's external_ids "quenta:change:HOST"): a change of the switch
// waits on the _version of the Logical_Switch row it read and on the
// external_ids of each DVPort it rewrites, or on the absence of the name it
// adds; so a DVSwitch is never half written, and two hosts that change one
// at the same time lose no change. It writes only the external_ids keys of ours, with
// mutate, and never changes or takes a logical switch or port it did not
// make. Every change also waits on the database's format in NB_Global
// (kFormatKey), which the first change of this build writes: a database or
// a switch whose records are of a later format is read, and its changes are
// refused.
//
// A change of DVPorts alone (EditHostDVPorts) waits only on the DVPorts it
// changes, on this host's list of its DVPorts (dv_rows.h) and on the
// localnet port where it hands that on; ports come and go with mutate. So
// hosts that change different DVPorts of one switch at once do not contend,
// and such a change reads the DVPorts it needs, however many the switch has.
//
// A run reads from one snapshot: a DVSwitch it reads whole comes with its
// ports in one request, a part (ReadPart) in one or two, and each change
// leaves in the snapshot what it wrote, read at the end of the same
// transaction.
//
// A row of ours that another writer left malformed is skipped by the reads
// of every DVSwitch (Unreadable names it) and refused by a read that asks
// for it by name.
//
// A change whose answer is lost, or does not come in time (as when the
// cluster lost its quorum), is read back on the leader within the same
// timeout: the call goes on when the change is there, and throws saying
// nothing was changed, or that it may or may not have been applied, when it
// is not, or no one can tell. A change that could not be sent, because no
// member leads, throws saying that nothing was changed.
namespace ovn {

class OvnStore {
 public:
  // chassis names this host and says whether it carries traffic, and must
  // outlive this; pnics gives this host's pnics, asked for once, by the
  // first read of a row of format 1 (dv_rows.h).
  OvnStore(OvnSettings settings, rows::Chassis& chassis,
           std::function<std::vector<std::string>()> pnics);

  // --- Reads: rows::RowStore says what each gives -------------------------
  std::optional<DVSwitchDoc> FindDVSwitch(const SwitchKey& key);
  // The running DVSwitch of ref, with its DVPorts.
  std::optional<DVSwitchDoc> ReadDVSwitch(const RowRef& ref);
  // As rows::RowStore's of the same names.
  std::optional<DVSwitchDoc> FindHostDVPorts(const SwitchKey& key, const std::string& portId);
  std::optional<DVSwitchDoc> EditHostDVPorts(const RowRef& ref, const std::string& portId,
                                             const std::function<void(DVSwitchDoc&)>& edit);
  // The running DVSwitch of ref as FindHostDVPorts gives it.
  std::optional<DVSwitchDoc> ReadHostDVPorts(const RowRef& ref, const std::string& portId);
  // The switch named name, running or stopped, without its DVPorts: a
  // DVSwitch of ours, or a logical switch another program made (kind
  // kOpaque), which takes the name as well.
  std::optional<SwitchRow> FindAnyDVSwitch(const std::string& name);
  // The DVSwitches of ours named names, running or not, from the snapshot
  // and at most one request: by name, the switch with its DVPorts, or
  // nullopt where none of ours has the name. A switch that cannot be read is
  // left out, and never refused.
  std::map<std::string, std::optional<DVSwitchDoc>> ReadNamedSwitches(
      const std::vector<std::string>& names);
  // Running DVSwitches only, in host order; ReadAll gives stopped ones too.
  // Each leaves what it skipped in Unreadable.
  std::vector<DVSwitchDoc> ReadDVSwitches();
  std::vector<DVSwitchDoc> ReadAll();
  const std::vector<rows::UnreadableRow>& Unreadable() const { return unreadable_; }
  // The names of the logical switches other programs made.
  std::vector<std::string> ReadForeignSwitchNames();
  // Every DVSwitch as ReadAll gives it, each with whether it reaches its
  // physical network through the bridges of other hosts but not through
  // this host's: once a DVSwitch has a localnet port, a host without a
  // bridge for its network carries none of its traffic.
  struct Wiring {
    DVSwitchDoc dvs;
    bool elsewhereOnly = false;
    // Whether it has a localnet port, and whether that names this host.
    bool localnet = false;
    bool wiredHere = false;
  };
  std::vector<Wiring> ReadWiring();
  // Names, where the chassis can tell, the host and interface of the VMs
  // bound to the DVPorts of dvswitches (rows::Chassis::Bindings).
  void NameBindings(std::vector<DVSwitchDoc>& dvswitches);

  // --- Changes: as rows::RowStore's of the same names ----------------------
  RowRef AddDVSwitch(const DVSwitchDoc& dvs);
  bool RemoveDVSwitch(const RowRef& ref);
  std::optional<DVSwitchDoc> EditDVSwitch(const RowRef& ref,
                                          const std::function<void(DVSwitchDoc&)>& edit);
  void StartDVSwitches(const std::function<void(SwitchRow&)>& start);
  // Adds the DVSwitches of dvswitches that are not there and updates the
  // others where they stand, DVPorts matched by ID, as one change; with
  // prune, removes ours that dvswitches lacks, and their DVPorts it lacks.
  // Logical switches that are not ours stay, and must not have the names
  // of new ones.
  void Merge(const std::vector<DVSwitchDoc>& dvswitches, bool prune);
  // As one change: every DVSwitch of an earlier format written as WriteEdit
  // writes one, and the database's mark; what it did, a line each.
  std::vector<std::string> Migrate();
  // Makes the localnet port of the DVSwitch named name say whether this
  // host's bridge leads to its network, as this host's uplinks on its
  // DVPorts say: the mark goes (and the port with the last one) or comes
  // (and the port with the first). Nothing when there is no such DVSwitch,
  // or the mark says so already.
  void MarkWired(const std::string& name);

  // --- The cluster ---------------------------------------------------------
  // The members that do not answer, or answer but are not part of their
  // cluster, each with what it did; each has a second at most.
  std::vector<std::string> SilentMembers();

 private:
  // A localnet port of ours as read.
  struct Localnet {
    std::string uuid;
    Ids ids;
  };
  // A DVPort's row as read: its marks, which a change of it waits on, and
  // whether OVN has bound it.
  struct PortRead {
    Ids ids;
    nlohmann::json up;
  };
  struct SwitchRead {
    // The row's _version; null for a row read at the end of the transaction
    // that wrote it, which the server shows with its version from before.
    nlohmann::json version;
    nlohmann::json ports;  // the ports column as read; null in a part
    Ids ids;
    // With every DVPort, or, in a part, with those a change of DVPorts
    // needs (ReadPart).
    DVSwitchDoc doc;
    bool whole = true;
    // In a part: the IDs of the DVPorts asked for, there or not; those of
    // this host's list that could not be read, which the list keeps; and
    // the names of ports asked for that another switch's port has.
    std::set<std::string> asked;
    std::vector<std::string> unreadableListed;
    std::set<std::string> takenNames;
    std::optional<Localnet> localnet;
    // Ports of it that other programs made; a part does not count them.
    std::size_t foreignPorts = 0;
    // Each DVPort's row, by its UUID.
    std::map<std::string, PortRead> portRows;
  };

  // This host's name among the hosts, read once.
  const std::string& HostName();
  // This host as the reads of its uplinks see it.
  UplinkHost Uplinks();
  // The database, made on first use (its token's key names this host).
  ovsdb::Database& Db();
  // Runs read-only operations; the first read of the run also reads what
  // the token's key holds.
  std::vector<nlohmann::json> Read(std::vector<nlohmann::json> operations);
  // The selects of the switch named name with its ports, and the switches
  // of ours that the results of selects like them show (in host order;
  // rows that cannot be read go to Unreadable).
  static std::vector<nlohmann::json> SelectNamed(const std::string& name);
  std::vector<SwitchRead> SwitchesFrom(const nlohmann::json& switchRows,
                                       const nlohmann::json& portRows);
  // Our switches that meet where, with their ports, in host order. A
  // listing reads every port in the same request; a point read reads the
  // few switches' ports in a second one.
  std::vector<SwitchRead> ReadSwitchRows(std::vector<nlohmann::json> where, bool listing);
  // Our switch named name, running or not, from the snapshot or one
  // request.
  std::optional<SwitchRead> ReadNamed(const std::string& name);
  // Throws the problem of an unreadable switch named name that the last
  // read skipped, if there is one.
  void RefuseUnreadable(const std::string& name) const;
  // Our running switch of ref, with its ports.
  std::optional<SwitchRead> ReadByRef(const RowRef& ref);
  // Our switch named name, running or not, with its DVPort portId (when it
  // has one) and those this host's uplinks are on, from the snapshot or at
  // most two requests: a part, where this host's list of its DVPorts is
  // current, else the switch whole (ReadNamed).
  std::optional<SwitchRead> ReadPart(const std::string& name, const std::string& portId);
  // The selects of the switch named name without its ports, of its
  // localnet port, and of its DVPorts of portIds, each by its name.
  static std::vector<nlohmann::json> SelectPart(const std::string& name,
                                                const std::vector<std::string>& portIds);
  // The part that results, the answers to SelectPart(name, portIds), show;
  // nullopt where no switch of ours is named so, or where only the whole
  // switch tells this host's DVPorts (its list is not current, or the
  // switch is of another format or cannot be read).
  std::optional<SwitchRead> PartFrom(const std::string& name,
                                     const std::vector<std::string>& portIds,
                                     const nlohmann::json* results);
  // Adds the DVPort of row, a Logical_Switch_Port read by name, to part.
  void AddPartPort(SwitchRead& part, const nlohmann::json& row);
  // The DVPort of the row of uuid of switchName, read as read says; throws
  // naming the row when it cannot be read, after adding it to Unreadable.
  DVPortRow ReadDVPort(const std::string& switchName, const std::string& uuid,
                       const PortRead& read);
  // The name of our running switch of ref, from the snapshot or a read.
  std::optional<std::string> NameOf(const RowRef& ref);
  // Forgets the snapshot.
  void Forget();
  // Our running switch named name, when it is the one ref names.
  std::optional<SwitchRead> ReadRunning(const std::string& name, const RowRef& ref);

  // The format of sw's records; throws, naming it, when it is later than
  // this build's.
  long long FormatOf(const SwitchRead& sw);
  // Adds to change the guard that the database's format is this build's,
  // and, where NB_Global has no mark yet, the mark; reads NB_Global first
  // when this run has not. Throws, adding nothing, when the mark names a
  // later format.
  void KeepFormat(ovsdb::GuardedChange& change);

  // Builds and commits one guarded change, trying again while others'
  // changes come first, for the settings' timeout at the most; when subject
  // names the one DVSwitch it changes, the snapshot takes the switch from
  // the end of the same transaction, else forgets what it holds.
  // committed, when given, has the answers to the change's operations once
  // it committed, after the snapshot was forgotten.
  void Write(const std::string& what, const std::string& subject,
             const std::function<void(ovsdb::GuardedChange&)>& build,
             const std::function<void(const std::vector<nlohmann::json>&)>& committed = {});

  // The change commits only when the switch is as it was read: its
  // version, or, where that is not known, its name, ports and external_ids.
  static void Guard(ovsdb::GuardedChange& change, const SwitchRead& sw);
  // The same for its DVPort of row uuid: its external_ids (OVN changes
  // other columns of the row as VMs come and go).
  static void GuardPort(ovsdb::GuardedChange& change, const SwitchRead& sw,
                        const std::string& uuid);
  // Writes this host's list of the DVPorts of sw (as read) its uplinks are
  // on, as after has them, with one more change counted; the change waits
  // on the list as read.
  void WriteHostList(ovsdb::GuardedChange& change, const SwitchRead& sw, const DVSwitchDoc& after);
  // Writes what an edit changed of the DVPorts of a part as read (before)
  // for DVPort portId, as after holds them: DVPort portId added or removed,
  // DVPorts changed, and this host's uplinks of the switch.
  void WritePart(ovsdb::GuardedChange& change, const SwitchRead& before, const std::string& portId,
                 const DVSwitchDoc& after);
  // Throws, naming them and their VMs, when VMs are bound to DVPorts of
  // ports, which are sw's and about to go (subject says which they are);
  // else guards their being unbound.
  void GuardUnbound(ovsdb::GuardedChange& change, const SwitchRead& sw,
                    const std::vector<DVPortRow>& ports, const std::string& subject);
  // Guards sw and removes it with its ports; throws when it holds ports
  // that other programs made, which it must not take with it, or DVPorts
  // VMs are bound to.
  void Remove(ovsdb::GuardedChange& change, const SwitchRead& sw);
  // Inserts dvs as a new Logical_Switch with its ports.
  void Insert(ovsdb::GuardedChange& change, const DVSwitchDoc& dvs, int64_t created);
  // Writes what an edit changed of a switch read as before: its keys and
  // those of its ports, ports added and removed. A switch of an earlier
  // format has every port written: this host's uplinks under its own key,
  // and addresses that carry any VM's frames.
  void WriteEdit(ovsdb::GuardedChange& change, const SwitchRead& before, DVSwitchDoc& after);
  // The operations that make the localnet port of the switch named name,
  // with localnet as read (nullopt: none), say whether this host's bridge
  // leads to its network, as after says (or, with unseen, DVPorts of this
  // host's list that could not be read, which may hold its uplinks): added
  // and removed go into the switch's ports.
  void WriteLocalnet(ovsdb::GuardedChange& change, const std::string& name,
                     const std::optional<Localnet>& localnet, const DVSwitchDoc& after,
                     std::vector<nlohmann::json>& added, std::vector<nlohmann::json>& removed,
                     bool unseen = false);

  OvnSettings settings_;
  rows::Chassis& chassis_;
  std::unique_ptr<ovsdb::Database> db_;
  bool tokenSeen_ = false;
  // NB_Global as the token's read saw it: its UUID (empty without the row),
  // and its format mark.
  std::string nbGlobal_;
  std::string nbFormat_;
  std::string hostName_;
  std::function<std::vector<std::string>()> pnics_;
  std::optional<std::vector<std::string>> pnicsRead_;
  std::vector<rows::UnreadableRow> unreadable_;
  // Our switches this run read or wrote, by name; nullopt for a name none
  // of ours has.
  std::map<std::string, std::optional<SwitchRead>> switches_;
  // Parts of our switches this run read, by name.
  std::map<std::string, SwitchRead> parts_;
  // The names of the switches this run changed the DVPorts of, by their
  // UUIDs, and of those it found, by their switch ids: what the snapshot
  // forgets that a next change of them needs.
  std::map<std::string, std::string> changedNames_;
  std::map<std::string, std::string> namesById_;
};

}  // namespace ovn

#endif  // BACKENDS_OVN_OVN_STORE_H_
