#ifndef BACKENDS_ROWS_UPLINKS_H_
#define BACKENDS_ROWS_UPLINKS_H_

#include <string>
#include <vector>

#include "backends/rows/host_rows.h"
#include "backends/rows/row_store.h"

// The rules of pnics and the uplinks of standard switches. Each throws
// QuorvicException naming the pnic and what is wrong, and then leaves sw as
// it was.
namespace rows {

// Throws unless name is one of pnics: "pnic NAME does not exist", or, for
// another device of the machine, "pnic NAME is not a pnic here: RULE".
void RequirePnic(const PnicSet& pnics, const std::string& name);
// Throws unless order names pnics of store's host, each once.
void CheckUplinkOrder(RowStore& store, const std::vector<std::string>& order);

// Links pnic to sw, live and, when persist, in its stored configuration;
// linking a pnic sw already links changes only the stored configuration.
// The teaming policy is left as it is. Throws when pnic is not a pnic of the
// host or another switch links it.
void LinkPnic(RowStore& store, StandardSwitchDoc& sw, const std::string& pnic, bool persist);
// configOnly false: takes pnic out of sw's linked uplinks and its stored
// configuration, throwing when it is not linked; true: out of the stored
// configuration only, throwing when it is not there.
void UnlinkPnic(StandardSwitchDoc& sw, const std::string& pnic, bool configOnly);
// Links exactly the stored uplinks of sw; throws when another switch links
// one of them.
void RelinkStoredUplinks(RowStore& store, StandardSwitchDoc& sw);

}  // namespace rows

#endif  // BACKENDS_ROWS_UPLINKS_H_
