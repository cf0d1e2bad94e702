#ifndef TOOLS_HOST_GRAPH_H_
#define TOOLS_HOST_GRAPH_H_

#include <string>

#include "hostnet/host_document.h"

// Draws a host as a Graphviz digraph (DOT text, ready for `dot -Tsvg`).
//
// The drawing, left to right:
//   - the pnics, in one box;
//   - each standard switch as a box holding the switch and its port groups
//     (with their VLAN IDs);
//   - each DVSwitch as a box holding the switch, its DVPorts and, beside each
//     DVPort, its clients;
//   - each opaque switch as one node;
//   - an edge from a pnic to each switch, port group or DVPort that it serves.
//     Edges into a standard switch or port group carry the pnic's place in
//     that uplink order: the first maxActive places are active (solid, bold),
//     the rest standby (dashed). A linked pnic outside the order is drawn
//     dotted; a pnic the switch's stored configuration or order names but that
//     is not linked now is drawn grey.
// Every name is shown exactly as the host holds it: quotes, backslashes,
// and angle brackets are escaped, never interpreted. Node IDs are
// generated, so no name can clash with another or with DOT syntax.
std::string HostGraphDot(const hostnet::HostDocument& host);

#endif  // TOOLS_HOST_GRAPH_H_
