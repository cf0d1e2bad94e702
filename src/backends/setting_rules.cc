#include "backends/setting_rules.h"

#include <algorithm>
#include <cctype>

#include "backends/ovsdb/stream.h"
#include "hostnet/names.h"
#include "hostnet/quorvic_exception.h"

namespace backends {

using Quorvic::Lib::QuorvicException;

namespace {

// Why remote is not one the OVSDB client can reach ("tcp: names no port"),
// as the client itself reads remotes; empty when it is one.
std::string RemoteRefusal(const std::string& remote) {
  try {
    ovsdb::ParseEndpoint(remote);
    return std::string();
  } catch (const QuorvicException& e) {
    const std::string prefix = "OVSDB remote ";
    const std::string& message = e.GetMessage();
    return message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : message;
  }
}

std::string HostRefusal(const std::string& value) {
  const std::string::size_type colon = value.find(':');
  if (colon == std::string::npos) return "no scheme";
  const std::string scheme = value.substr(0, colon);
  const std::string address = value.substr(colon + 1);
  if (scheme == "sqlite") return address.empty() ? "no path after sqlite:" : std::string();
  if (scheme == "ovsdb") return address.empty() ? std::string() : RemoteRefusal(address);
  return "unknown scheme " + scheme;
}

// The items of text between separators, blanks around them dropped, empty
// ones left out.
std::vector<std::string> Items(const std::string& text, const char* separators) {
  std::vector<std::string> items;
  std::string::size_type start = 0;
  while (start <= text.size()) {
    std::string::size_type end = text.find_first_of(separators, start);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(start, end - start);
    const std::string::size_type first = item.find_first_not_of(" \t");
    if (first != std::string::npos) {
      items.push_back(item.substr(first, item.find_last_not_of(" \t") - first + 1));
    }
    start = end + 1;
  }
  return items;
}

std::string RemotesRefusal(const std::string& value) {
  const std::vector<std::string> remotes = Items(value, ",");
  if (remotes.empty()) return "names no remote";
  for (const std::string& remote : remotes) {
    std::string reason = RemoteRefusal(remote);
    if (!reason.empty()) return reason;
  }
  return std::string();
}

std::string DatapathRefusal(const std::string& value) {
  return value == "system" || value == "netdev" || value == "dummy"
             ? std::string()
             : "not a datapath type of Open vSwitch";
}

// Names as the kernel takes them for network devices.
std::string PnicsRefusal(const std::string& value) {
  for (const std::string& name : Items(value, " \t")) {
    if (name.size() > 15) return name + " is longer than 15 bytes";
    if (name == "." || name == ".." || name.find_first_of("/:") != std::string::npos) {
      return name + " is not a network device name";
    }
  }
  return std::string();
}

template <long kMin, long kMax>
std::string NumberRefusal(const std::string& value) {
  if (value.size() > 9 || value.find_first_not_of("0123456789") != std::string::npos) {
    return "not a whole number";
  }
  const long number = std::stol(value);
  return number < kMin || number > kMax ? "out of range" : std::string();
}

std::string NoRefusal(const std::string&) { return std::string(); }

const std::vector<SettingRule> kRules = {
    {"host", "QUENTA_HOSTNET",
     "sqlite:PATH, ovsdb:, ovsdb:unix:PATH, ovsdb:tcp:HOST:PORT, ovsdb:ssl:HOST:PORT",
     &HostRefusal},
    {"wait", "QUENTA_HOSTNET_WAIT", "a whole number of seconds from 0 to 3600",
     &NumberRefusal<0, 3600>},
    {"datapath", "QUENTA_OVS_DATAPATH", "system, netdev or dummy", &DatapathRefusal},
    {"pnics", "QUENTA_OVS_PNICS",
     "network device names of 1 to 15 bytes without /, : or blanks, blank-separated",
     &PnicsRefusal},
    {"apply-wait", "QUENTA_OVS_APPLY_WAIT", "a whole number of seconds from 0 to 3600",
     &NumberRefusal<0, 3600>},
    {"ovn-nb", "QUENTA_OVN_NB", "tcp:HOST:PORT, ssl:HOST:PORT or unix:PATH, comma-separated",
     &RemotesRefusal},
    {"ovn-timeout", "QUENTA_OVN_TIMEOUT", "a whole number of seconds from 1 to 3600",
     &NumberRefusal<1, 3600>},
    {"ssl-private-key", "QUENTA_SSL_PRIVATE_KEY", "a file's path", &NoRefusal},
    {"ssl-certificate", "QUENTA_SSL_CERTIFICATE", "a file's path", &NoRefusal},
    {"ssl-ca-cert", "QUENTA_SSL_CA_CERT", "a file's path", &NoRefusal},
    {"max-message", "QUENTA_OVSDB_MAX_MESSAGE", "a whole number of MiB from 1 to 4096",
     &NumberRefusal<1, 4096>},
};

// How many single-letter edits (a letter added, dropped, changed, or two
// neighbours swapped) turn a into b.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

const std::vector<SettingRule>& SettingRules() { return kRules; }

const SettingRule* FindSettingRule(const std::string& key) {
  for (const SettingRule& rule : kRules) {
    if (key == rule.key) return &rule;
  }
  return nullptr;
}

std::string ClosestSettingKey(const std::string& key) {
  if (key.size() > 64) return std::string();  // no key is near that long
  std::string folded = key;
  for (char& c : folded) c = c == '_' ? '-' : static_cast<char>(std::tolower(c));
  std::string closest;
  size_t best = 3;  // at most two edits
  for (const SettingRule& rule : kRules) {
    const size_t distance = EditDistance(folded, rule.key);
    if (distance < best) {
      best = distance;
      closest = rule.key;
    }
  }
  return closest;
}

std::string SettingKeys() {
  std::string keys;
  for (const SettingRule& rule : kRules) keys += std::string(keys.empty() ? "" : ", ") + rule.key;
  return keys;
}

void CheckSetting(const SettingRule& rule, const std::string& value, const std::string& source) {
  if (value.empty()) return;
  std::string text = value;
  std::replace(text.begin(), text.end(), '\t', ' ');
  const std::string reason = hostnet::IsPrintableName(text)
                                 ? rule.refusal(value)
                                 : "holds a control character or bytes that are not UTF-8";
  if (reason.empty()) return;
  throw QuorvicException("cannot use " + std::string(rule.key) + " " + hostnet::EscapedName(value) +
                         " from " + source + ": " + reason + " (allowed: " + rule.allowed + ")");
}

}  // namespace backends
