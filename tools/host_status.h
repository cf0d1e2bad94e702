#ifndef TOOLS_HOST_STATUS_H_
#define TOOLS_HOST_STATUS_H_

#include <string>
#include <vector>

#include "hostnet/host_document.h"

// What ploncfg-host status reports: each way host differs from a healthy
// host, as one line that says what is wrong and which command fixes it, in
// host order. A healthy host yields no lines. Looks for stopped switches,
// stored uplinks of a running standard switch that are not linked (and which
// of them another switch holds, which stops `ploncfg-vswitch -R`),
// switches whose max active exceeds the uplinks of their order, and
// switches of this host whose name a DVSwitch another host added has too.
std::vector<std::string> HostStatus(const hostnet::HostDocument& host);

#endif  // TOOLS_HOST_STATUS_H_
