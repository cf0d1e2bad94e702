#include "backends/ovs/ovs_settings.h"

namespace ovs_host {

namespace {

// The blank-separated words of text.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string::size_type start = 0;
  while ((start = text.find_first_not_of(" \t", start)) != std::string::npos) {
    std::string::size_type end = text.find_first_of(" \t", start);
    words.push_back(text.substr(start, end - start));
    start = end;
  }
  return words;
}

}  // namespace

OvsSettings ParseOvsSettings(const std::string& remote, const std::string& source,
                             const rows::Options& options) {
  OvsSettings settings;
  if (!remote.empty()) settings.remote = remote;
  settings.source = source;
  settings.datapathType = rows::OptionOr(options, "datapath", settings.datapathType);
  auto pnics = options.find("pnics");
  if (pnics != options.end()) settings.pnics = Words(pnics->second);
  settings.applyWait = rows::SecondsOption(options, "apply-wait", 0, 3600, std::chrono::seconds(10),
                                           "QUENTA_OVS_APPLY_WAIT");
  settings.peer = ovsdb::ParsePeerSettings(options);
  return settings;
}

}  // namespace ovs_host
