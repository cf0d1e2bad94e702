#ifndef BACKENDS_ROWS_LAGS_H_
#define BACKENDS_ROWS_LAGS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "backends/rows/host_rows.h"
#include "backends/rows/row_store.h"
#include "hostnet/timeout_config.h"

// The timeout records, and what they are on a host whose LAGs are its
// standard switches' uplink bonds (RowStore::RunsLags).
//
// A selection (portset, LAG id, uplink) matches a record when its portset is
// empty or equal, its LAG id is 0 or equal, and its uplink empty or equal.
//
// Where LAGs run, a LAG record whose portset is a running standard switch
// is that switch's uplink bond running LACP, with the record's timeout as
// LACP's rate: 1 fast, 0 slow, and no other. A switch's uplinks make one
// bond, so a switch runs one LAG at a time. The uplink records of that LAG
// are the bond's members, which share its one timeout. What a get prints
// and what `loaded` says come from the engine: a record of a switch is
// printed while its bond runs it, with the timeout the bond runs, and is
// loaded while the bond runs it with the record's timeout. A record whose
// portset is no running standard switch stays a record, printed and loaded
// as where every record is one.
namespace rows {

bool Selects(const std::string& portset, uint32_t lagId, const LagTimeoutRow& lag);
bool Selects(const std::string& portset, uint32_t lagId, const std::string& uplink,
             const UplinkTimeoutRow& member);

// Throws, naming what (a LAG or an uplink) and the two timeouts LACP takes,
// unless timeout is 0 or 1.
void CheckLacpTimeout(const std::string& what, uint32_t timeout);

// Whether sw's bond runs lag; for a member, also whether its uplink is
// linked, and so in the bond.
bool Runs(const StandardSwitchDoc& sw, const LagTimeoutRow& lag);
bool Runs(const StandardSwitchDoc& sw, const UplinkTimeoutRow& member);

// What a load of the LAGs that portset and lagId select makes a switch's
// bond run: lacp, or none for the teaming policy's bond.
struct LagChange {
  SwitchRow sw;
  std::optional<LacpRow> lacp;
};
// The changes a load makes to switches (running standard switches, all
// those the selection reaches): a switch with a selected LAG record runs
// it; one whose bond runs a LAG of the records that the records no longer
// have (and that the selection matches) bonds as its teaming policy says.
// Throws, naming the switch and the command that mends it, for a switch
// with two selected LAGs, a selected LAG whose timeout LACP does not take,
// or one of a switch without uplinks.
std::vector<LagChange> PlanLagLoad(const HostRecords& records,
                                   const std::vector<StandardSwitchDoc>& switches,
                                   const std::string& portset, uint32_t lagId);

// The timeout operations of a store whose LAGs run (see above). The runs
// make the bonds run what a load of the selection asks (PlanLagLoad), one
// switch at a time, having checked every selected record first: one that
// cannot run throws, and nothing changed. Running uplink records runs their
// LAGs: each must be linked to its switch, and its LAG have a record with
// the uplink's timeout. Marking the records loaded is the caller's.
void RunSelectedLags(RowStore& store, const std::string& portset, uint32_t lagId);
void RunSelectedMembers(RowStore& store, const std::string& portset, uint32_t lagId,
                        const std::string& uplink);
std::vector<Quorvic::Network::LagTimeoutConfig> GetRunningLags(RowStore& store,
                                                               const std::string& portset,
                                                               uint32_t lagId);
std::vector<Quorvic::Network::UplinkTimeoutConfig> GetRunningMembers(RowStore& store,
                                                                     const std::string& portset,
                                                                     uint32_t lagId,
                                                                     const std::string& uplink);

// For a host document of a store whose LAGs run. ShowRunningLags sets
// `loaded` of each record of a running standard switch from what its bond
// runs. RunLoadedLags gives each running standard switch the lacp of its
// loaded LAG record (none without one), so that replacing the host with the
// document runs them; it throws naming the switch for two loaded LAGs of
// one switch, or a loaded one with a timeout LACP does not take.
void ShowRunningLags(HostDocument& doc);
void RunLoadedLags(HostDocument& doc);

// What differs between the LAG records and the bonds of switches (running
// standard switches, their lacp read): a LAG a switch does not run as its
// record says, and a LAG a bond runs that has no record; one line each, with
// the command that mends it.
std::vector<std::string> LagHealth(const HostRecords& records,
                                   const std::vector<StandardSwitchDoc>& switches);

// The LAG records ploncfg-host adds and removes (hostnet::Backend::AddLag,
// RemoveLag), with the checks of a store whose LAGs run when it does.
void AddLagRecord(RowStore& store, const std::string& portset, uint32_t lagId, uint32_t timeout);
void RemoveLagRecord(RowStore& store, const std::string& portset, uint32_t lagId);

}  // namespace rows

#endif  // BACKENDS_ROWS_LAGS_H_
