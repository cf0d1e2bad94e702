#ifndef HOSTNET_TIMEOUT_CONFIG_H_
#define HOSTNET_TIMEOUT_CONFIG_H_

#include <cstdint>
#include <string>

namespace Quorvic::Network {

// The timeout setting of one uplink of a LAG.
struct UplinkTimeoutConfig {
  std::string portset;
  std::string uplink;
  uint32_t lagId = 0;
  uint8_t timeout = 0;
};

// The timeout setting of one LAG.
struct LagTimeoutConfig {
  std::string portset;
  uint32_t lagId = 0;
  uint8_t timeout = 0;
};

}  // namespace Quorvic::Network

#endif  // HOSTNET_TIMEOUT_CONFIG_H_
