#ifndef BACKENDS_HOST_CHOICE_H_
#define BACKENDS_HOST_CHOICE_H_

#include <map>
#include <memory>
#include <string>

#include "hostnet/backend.h"

// Which host a process talks to, chosen once per process, the same way for
// every program: QUENTA_HOSTNET, else QUENTA_HOSTNET_DB (a path, short for
// sqlite:PATH), else the line "host = VALUE" of the configuration file
// (QUENTA_HOSTNET_CONF, else /etc/quenta/hostnet.conf, which alone may be
// missing; conf_file.h reads it), else sqlite:/var/lib/quenta/hostnet.db.
//
// The settings of the backend chosen come from its environment variables
// and, only when the host itself came from the file or the default, from the
// file's other keys, each overridden by its variable (set but empty
// included): wait (QUENTA_HOSTNET_WAIT, seconds) of every backend;
// datapath (QUENTA_OVS_DATAPATH), pnics (QUENTA_OVS_PNICS) and apply-wait
// (QUENTA_OVS_APPLY_WAIT, seconds) of the Open vSwitch backend; ovn-nb
// (QUENTA_OVN_NB), the OVN northbound database's remotes, comma-separated,
// which puts the DVSwitches of either backend there, and ovn-timeout
// (QUENTA_OVN_TIMEOUT, seconds, 15 when unset), how long a run waits for that
// database at each step. So a host chosen in the environment for a test or a
// scratch run never takes the machine's shared settings. For either
// database over "ssl:", ssl-private-key, ssl-certificate and ssl-ca-cert
// (QUENTA_SSL_PRIVATE_KEY, QUENTA_SSL_CERTIFICATE, QUENTA_SSL_CA_CERT) name
// the TLS files. setting_rules.h says what each may hold; every value is
// checked when it is read.
namespace backends {

// What chooses the host, as the process found it.
struct HostSettings {
  std::string hostnet;    // QUENTA_HOSTNET; empty when unset
  std::string hostnetDb;  // QUENTA_HOSTNET_DB; empty when unset
  std::string confPath;   // the configuration file, read when it is needed
  // The variable that named confPath; empty for the default path, which
  // alone may be missing.
  std::string confNamedBy = {};
  // Options from the environment, by the file's key for them.
  std::map<std::string, std::string> options = {};
};

struct HostChoice {
  std::string value;
  std::string source;
  // The backend's settings, by key, as the rule above gives them.
  std::map<std::string, std::string> options = {};
};

// The settings of this process: its environment and the path of its
// configuration file.
HostSettings ProcessHostSettings();

// Applies the rule above. Throws Quorvic::Lib::QuorvicException when a
// value of the environment or of the configuration file is refused by its
// rule (setting_rules.h), or when the file is needed and ReadConfFile
// refuses it; nothing is created then.
HostChoice ChooseHost(const HostSettings& settings);

// Whether a backend may make a host where there is none yet, as the
// simulated host does with its database on first use.
enum class MissingHost { kMake, kRefuse };

// The backend choice names, on its own. Throws QuorvicException naming the
// value, its source and what is allowed when the host's rule refuses it;
// nothing is created then. With MissingHost::kRefuse, the first call that
// needs the host throws instead of making one.
std::unique_ptr<hostnet::Backend> OpenBackend(const HostChoice& choice,
                                              MissingHost missing = MissingHost::kMake);

// The backend of a run of the tool: the process's choice, inside the
// fault-injecting wrapper. Suits hostnet::SetBackendOpener.
std::unique_ptr<hostnet::Backend> OpenToolBackend();

}  // namespace backends

#endif  // BACKENDS_HOST_CHOICE_H_
