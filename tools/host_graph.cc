#include "tools/host_graph.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Json = nlohmann::ordered_json;
using Names = std::vector<std::string>;

// Text for the inside of an HTML-like label. Those labels treat a backslash as
// an ordinary character, unlike DOT's quoted strings, where a trailing
// backslash would swallow the closing quote; so every name goes through here.
std::string Html(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\n':
        out += "<BR/>";
        break;
      case '\t':
        out += ' ';
        break;
      default:
        // Other control characters are not allowed in the label markup.
        out += (c < 0x20 || c == 0x7f) ? '?' : static_cast<char>(c);
    }
  }
  return out;
}

// A label whose first line is a name in bold, after an optional lead word,
// and whose further lines are details made by this file (already markup-safe).
std::string Label(const std::string& name, const Names& details = {},
                  const std::string& lead = "") {
  std::string label = "<" + lead + "<B>" + Html(name) + "</B>";
  for (const std::string& line : details) label += "<BR/>" + line;
  return label + ">";
}

std::string Str(const Json& object, const char* key, const std::string& fallback = "") {
  return object.contains(key) ? object.at(key).get<std::string>() : fallback;
}

// The array under key, or an empty one when the host leaves it out.
const Json& Items(const Json& object, const char* key) {
  static const Json kNone = Json::array();
  return object.contains(key) ? object.at(key) : kNone;
}

Names List(const Json& object, const char* key) {
  return object.contains(key) ? object.at(key).get<Names>() : Names{};
}

template <typename T>
T Num(const Json& object, const char* key, T fallback) {
  return object.contains(key) ? object.at(key).get<T>() : fallback;
}

std::string Count(unsigned count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// "4 of 128 ports used"; the total is left out when the host gives none.
std::string Ports(const Json& object) {
  std::string used = std::to_string(Num(object, "usedPorts", 0u));
  if (!object.contains("numPorts")) return used + " ports used";
  return used + " of " + Count(object.at("numPorts").get<unsigned>(), "port") + " used";
}

bool Contains(const Names& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// One pnic's place in an uplink order, drawn on its edge.
std::string UplinkEdge(const Names& order, int maxActive, const std::string& pnic, bool linked) {
  std::string label, style;
  auto at = std::find(order.begin(), order.end(), pnic);
  if (at != order.end()) {
    auto position = at - order.begin();
    bool active = position < maxActive;
    label = "#" + std::to_string(position + 1) + (active ? " active" : " standby");
    style = active ? "bold" : "dashed";
  } else {
    label = "not in order";
    style = "dotted";
  }
  if (!linked) label += ", not linked";
  return "label=<" + label + ">, style=" + style +
         (linked ? "" : ", color=gray60, fontcolor=gray40");
}

class HostGraph {
 public:
  std::string Draw(const Json& host) {
    for (const std::string& pnic : List(host, "pnics")) Pnic(pnic);
    int index = 0;
    for (const Json& vswitch : Items(host, "switches")) StandardSwitch(vswitch, index++);
    index = 0;
    for (const Json& dvswitch : Items(host, "dvswitches")) DistributedSwitch(dvswitch, index++);
    index = 0;
    for (const Json& opaque : Items(host, "opaqueSwitches")) OpaqueSwitch(opaque, index++);

    std::ostringstream dot;
    dot << "digraph host {\n"
        << "  graph [rankdir=LR, ordering=out, fontname=\"Helvetica\", fontsize=11, "
           "nodesep=0.25, ranksep=1.1];\n"
        << "  node [fontname=\"Helvetica\", fontsize=10, shape=box, style=rounded];\n"
        << "  edge [fontname=\"Helvetica\", fontsize=9, arrowhead=none];\n"
        << "  subgraph cluster_pnics {\n"
        << "    label=<<B>pnics</B>>; style=\"rounded,filled\"; fillcolor=\"#f2f2f2\";\n";
    for (const std::string& line : pnicNodes_) dot << "    " << line << "\n";
    dot << "  }\n" << clusters_.str() << edges_.str() << "}\n";
    return dot.str();
  }

 private:
  // The node ID of a pnic, declared on first use: an uplink that names
  // something not in the host's pnic list still gets a node.
  const std::string& Pnic(const std::string& name) {
    auto found = pnicIds_.find(name);
    if (found != pnicIds_.end()) return found->second;
    std::string id = "p" + std::to_string(pnicIds_.size());
    pnicNodes_.push_back(id + " [label=" + Label(name) +
                         ", shape=box, style=filled, fillcolor=\"#cfe0fc\"];");
    return pnicIds_.emplace(name, id).first->second;
  }

  void Edge(const std::string& from, const std::string& to, const std::string& attrs) {
    edges_ << "  " << from << " -> " << to;
    if (!attrs.empty()) edges_ << " [" << attrs << "]";
    edges_ << ";\n";
  }

  void OpenCluster(const std::string& id, const std::string& title, bool stopped) {
    clusters_ << "  subgraph cluster_" << id << " {\n"
              << "    label=<" << title << ">; style=" << (stopped ? "dashed" : "rounded")
              << "; color=gray50;\n";
  }

  // An edge from a switch to what it holds, or from a DVPort to a client.
  void TreeEdge(const std::string& from, const std::string& to) {
    tree_.push_back("    " + from + " -> " + to + ";\n");
  }

  // With rankdir=LR and ordering=out, dot stacks a node's children bottom-up
  // in edge order, so the tree edges go out last-first: the picture then reads
  // top-down in host order.
  void CloseCluster() {
    for (auto edge = tree_.rbegin(); edge != tree_.rend(); ++edge) clusters_ << *edge;
    tree_.clear();
    clusters_ << "  }\n";
  }

  void StandardSwitch(const Json& vswitch, int index) {
    std::string id = "s" + std::to_string(index);
    std::string name = Str(vswitch, "name");
    bool running = Num(vswitch, "running", true);
    Names uplinks = List(vswitch, "uplinks");
    Names config = vswitch.contains("configUplinks") ? List(vswitch, "configUplinks") : uplinks;
    Json teaming = vswitch.value("teaming", Json::object());
    Names order = List(teaming, "uplinkOrder");
    int maxActive = Num(teaming, "maxActive", 0);

    std::string kind = "standard switch";
    if (Num(vswitch, "system", false)) kind += ", system";
    if (!running) kind += ", stopped";
    Names details{"MTU " + std::to_string(Num(vswitch, "mtu", 1500u)) + ", CDP " +
                      Html(Str(vswitch, "cdp", "listen")),
                  Ports(vswitch), "max active " + std::to_string(maxActive)};
    if (vswitch.contains("ens") && Num(vswitch.at("ens"), "active", false))
      details.push_back("ENS active");

    OpenCluster(id, kind, !running);
    clusters_ << "    " << id << " [label=" << Label(name, details)
              << ", style=\"rounded,filled\", fillcolor=\"#fff3c4\"];\n";
    int pgIndex = 0;
    for (const Json& portGroup : Items(vswitch, "portGroups"))
      PortGroup(portGroup, id, id + "_g" + std::to_string(pgIndex++), uplinks);
    CloseCluster();

    // Order first, so the edges read top to bottom in uplink order.
    Names drawn = order;
    for (const Names* more : {&uplinks, &config})
      for (const std::string& pnic : *more)
        if (!Contains(drawn, pnic)) drawn.push_back(pnic);
    for (const std::string& pnic : drawn)
      Edge(Pnic(pnic), id, UplinkEdge(order, maxActive, pnic, Contains(uplinks, pnic)));
  }

  // A port group inside its switch's box; when it orders uplinks its own way,
  // an edge from each of them. linked: the pnics linked to the switch.
  void PortGroup(const Json& portGroup, const std::string& switchId, const std::string& id,
                 const Names& linked) {
    unsigned vlan = Num(portGroup, "vlan", 0u);
    Names details{vlan == 0 ? std::string("no VLAN") : "VLAN " + std::to_string(vlan),
                  Count(Num(portGroup, "ports", 0u), "port") + " in use"};
    clusters_ << "    " << id << " [label=" << Label(Str(portGroup, "name"), details)
              << ", shape=box, style=\"rounded,filled\", fillcolor=\"#e3f4dc\"];\n";
    TreeEdge(switchId, id);
    const Json& teaming = portGroup.value("teaming", Json::object());
    if (!teaming.contains("uplinkOrder")) return;
    Names order = List(teaming, "uplinkOrder");
    int maxActive = Num(teaming, "maxActive", 0);
    for (const std::string& pnic : order)
      Edge(Pnic(pnic), id,
           UplinkEdge(order, maxActive, pnic, Contains(linked, pnic)) +
               ", constraint=false, color=\"#3b7d2c\"");
  }

  void DistributedSwitch(const Json& dvswitch, int index) {
    std::string id = "d" + std::to_string(index);
    std::string name = Str(dvswitch, "name");
    std::string dvsName = Str(dvswitch, "dvsName", name);
    bool running = Num(dvswitch, "running", true);
    Names details;
    if (dvsName != name) details.push_back("DVS name " + Html(dvsName));
    details.push_back(Html(Str(dvswitch, "implClass", "cswitch")) + " version " +
                      std::to_string(Num(dvswitch, "version", 6u)) + ", MTU " +
                      std::to_string(Num(dvswitch, "mtu", 1500u)));
    details.push_back(Ports(dvswitch));
    OpenCluster(id, running ? "DVSwitch" : "DVSwitch, stopped", !running);
    clusters_ << "    " << id << " [label=" << Label(name, details)
              << ", style=\"rounded,filled\", fillcolor=\"#fde2c8\"];\n";
    int portIndex = 0;
    for (const Json& dvport : Items(dvswitch, "dvports"))
      DVPort(dvport, id, id + "_p" + std::to_string(portIndex++));
    CloseCluster();
    for (const std::string& pnic : List(dvswitch, "uplinks")) Edge(Pnic(pnic), id, "style=bold");
  }

  // A DVPort inside its DVSwitch's box, with its clients beside it.
  void DVPort(const Json& dvport, const std::string& switchId, const std::string& id) {
    Names details;
    unsigned connection = Num(dvport, "connectionId", 0u);
    if (connection != 0) details.push_back("connection " + std::to_string(connection));
    clusters_ << "    " << id << " [label=" << Label(Str(dvport, "id"), details, "DVPort ")
              << ", shape=box, style=\"rounded,filled\", fillcolor=\"#f6e9fb\"];\n";
    TreeEdge(switchId, id);
    int clientIndex = 0;
    for (const std::string& client : List(dvport, "clients")) {
      std::string clientId = id + "_c" + std::to_string(clientIndex++);
      clusters_ << "    " << clientId << " [label=" << Label(client) << ", shape=note];\n";
      TreeEdge(id, clientId);
    }
    for (const std::string& pnic : List(dvport, "uplinks"))
      Edge(Pnic(pnic), id, "constraint=false, style=dashed, color=\"#8a4fa3\"");
  }

  void OpaqueSwitch(const Json& opaque, int index) {
    std::string id = "o" + std::to_string(index);
    std::string name = Str(opaque, "name");
    std::string dvsName = Str(opaque, "dvsName", name);
    Names details;
    if (dvsName != name) details.push_back("DVS name " + Html(dvsName));
    details.push_back("opaque switch");
    details.push_back(Ports(opaque));
    clusters_ << "  " << id << " [label=" << Label(name, details)
              << ", shape=box3d, style=filled, fillcolor=\"#e6e6e6\"];\n";
    for (const std::string& pnic : List(opaque, "uplinks")) Edge(Pnic(pnic), id, "style=bold");
  }

  std::map<std::string, std::string> pnicIds_;
  Names pnicNodes_;
  std::ostringstream clusters_;
  std::ostringstream edges_;
  Names tree_;
};

}  // namespace

std::string HostGraphDot(const nlohmann::ordered_json& host) { return HostGraph().Draw(host); }
