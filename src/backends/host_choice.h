#ifndef BACKENDS_HOST_CHOICE_H_
#define BACKENDS_HOST_CHOICE_H_

#include <map>
#include <memory>
#include <string>

#include "hostnet/backend.h"

// Which host a process talks to, chosen once per process, the same way for
// every program: QUENTA_HOSTNET, else QUENTA_HOSTNET_DB (a path, short for
// sqlite:PATH), else the line "host = VALUE" of /etc/quenta/hostnet.conf when
// that file exists, else sqlite:/var/lib/quenta/hostnet.db. A value is
// SCHEME:ADDRESS; the schemes known are listed by kKnownHostSchemes.
//
// The file's other keys are options of the backend chosen, each overridden
// by its environment variable: datapath (QUENTA_OVS_DATAPATH), pnics
// (QUENTA_OVS_PNICS) and apply-wait (QUENTA_OVS_APPLY_WAIT, in seconds) of
// the Open vSwitch backend; ovn-nb (QUENTA_OVN_NB), the OVN northbound
// database's remotes, comma-separated, which puts the DVSwitches of either
// backend there, and ovn-timeout (QUENTA_OVN_TIMEOUT, in seconds, 15 when
// unset), how long a run waits for that database at each step; and, for
// either database over "ssl:", ssl-private-key, ssl-certificate and
// ssl-ca-cert (QUENTA_SSL_PRIVATE_KEY, QUENTA_SSL_CERTIFICATE,
// QUENTA_SSL_CA_CERT), which OpenBackend makes the process's TLS files.
namespace backends {

extern const char kKnownHostSchemes[];

// What chooses the host, as the process found it.
struct HostSettings {
  std::string hostnet;    // QUENTA_HOSTNET; empty when unset
  std::string hostnetDb;  // QUENTA_HOSTNET_DB; empty when unset
  std::string confPath;   // the configuration file, read when it exists
  // Options from the environment, by the file's key for them.
  std::map<std::string, std::string> options = {};
};

// The chosen host: its value and where the value came from, for messages.
struct HostChoice {
  std::string value;
  std::string source;
  // The backend's options: the file's keys but host, then the environment's.
  std::map<std::string, std::string> options = {};
};

// The settings of this process: its environment and /etc/quenta/hostnet.conf.
HostSettings ProcessHostSettings();

// Applies the rule above. Throws Quorvic::Lib::QuorvicException when the
// configuration file cannot be read or has a line that is neither blank, a
// "#" comment, nor "KEY = VALUE" (keys other than host are left to others).
HostChoice ChooseHost(const HostSettings& settings);

// The backend choice names, on its own. Throws QuorvicException naming the
// value, its source and the schemes known when the value is malformed or its
// scheme unknown; nothing is created then.
std::unique_ptr<hostnet::Backend> OpenBackend(const HostChoice& choice);

// The backend of a run of the tool: the process's choice, inside the
// fault-injecting wrapper. Suits hostnet::SetBackendOpener.
std::unique_ptr<hostnet::Backend> OpenToolBackend();

}  // namespace backends

#endif  // BACKENDS_HOST_CHOICE_H_
