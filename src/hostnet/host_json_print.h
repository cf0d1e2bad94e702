#ifndef HOSTNET_HOST_JSON_PRINT_H_
#define HOSTNET_HOST_JSON_PRINT_H_

#include <string>

#include "hostnet/host_document.h"

// The host as the JSON text that `ploncfg-host dump` prints: every field, keys
// in a fixed order, arrays in host order, one fixed layout (top-level keys
// and switch fields one per line; port groups, DVPorts, opaque switches,
// timeout records and faults one per line as inline objects). The same host
// always gives the same bytes. Absent optional fault fields are left out, as
// is the uplink order of a policy without one of its own.
std::string HostToJson(const hostnet::HostDocument& host);
// The host as a backup holds it: HostToJson's text with "format" first, the
// format of this build's records (hostnet/records_format.h).
std::string BackupJson(const hostnet::HostDocument& host);

#endif  // HOSTNET_HOST_JSON_PRINT_H_
