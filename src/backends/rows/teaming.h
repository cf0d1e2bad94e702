#ifndef BACKENDS_ROWS_TEAMING_H_
#define BACKENDS_ROWS_TEAMING_H_

#include <string>

#include "backends/rows/host_rows.h"
#include "hostnet/nic_teaming_policy.h"

namespace rows {

// A policy value as the host hands it out.
Quorvic::Network::NicTeamingPolicy PolicyFromRow(const TeamingRow& row);
// What the host stores of a policy.
TeamingRow RowFromPolicy(const Quorvic::Network::NicTeamingPolicy& policy);

// The policy to write when a caller that read base asks for wanted and the
// host holds current, so that a read-modify-write that spans library calls
// loses no other run's change. When current is base, wanted; when the
// caller changed nothing, current. Otherwise the caller's change is redone
// on current: the uplinks it took out of the order go, each it added goes
// after the nearest entry that precedes it in wanted (first when none does),
// entries common to base and wanted that it moved take wanted's order, and
// max active moves by as much as the caller moved it, at most the order's
// length. Throws QuorvicException "the teaming policy of OWNER was changed
// by another run since this one read it; nothing was changed" when that is
// not well defined: the caller moved entries whose order current changed
// too, or turned the order on or off while the other run changed it.
TeamingRow MergeTeaming(const TeamingRow& base, const TeamingRow& wanted, const TeamingRow& current,
                        const std::string& owner);

}  // namespace rows

#endif  // BACKENDS_ROWS_TEAMING_H_
