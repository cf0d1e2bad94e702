#include "support/own_settings.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace test_support {

void UseOwnHostSettings(const std::string& folder) {
  const std::string conf = folder + "/hostnet.conf";
  if (!std::ofstream(conf)) throw std::runtime_error("cannot write " + conf);
  setenv("QUENTA_HOSTNET_CONF", conf.c_str(), 1);
  for (const char* name :
       {"QUENTA_HOSTNET", "QUENTA_HOSTNET_DB", "QUENTA_HOSTNET_WAIT", "QUENTA_OVS_DATAPATH",
        "QUENTA_OVS_PNICS", "QUENTA_OVS_APPLY_WAIT", "QUENTA_OVN_NB", "QUENTA_OVN_TIMEOUT",
        "QUENTA_SSL_PRIVATE_KEY", "QUENTA_SSL_CERTIFICATE", "QUENTA_SSL_CA_CERT",
        "QUENTA_OVSDB_MAX_MESSAGE"}) {
    setenv(name, "", 1);
  }
}

}  // namespace test_support
