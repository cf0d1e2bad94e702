#ifndef BACKENDS_ROWS_ROW_LIMITS_H_
#define BACKENDS_ROWS_ROW_LIMITS_H_

#include <cstdint>

#include "hostnet/host_document.h"

// What every host kept as rows accepts and answers, whatever engine stores
// the rows.
namespace rows {

// A host accepts what a host document may hold.
using hostnet::kDefaultMtu;
using hostnet::kDefaultNumPorts;
using hostnet::kMaxMtu;
using hostnet::kMaxPorts;
using hostnet::kMaxVlan;
using hostnet::kMinMtu;
using hostnet::kMinPorts;

// CDP status of a new standard switch (listen).
constexpr int32_t kCdpListen = 1;
// KARN_NODE_net_ens_activate.
constexpr uint16_t kEnsActivateNode = 0x2f41;

// Kernel statuses.
constexpr int kStatusSuccess = 0;
constexpr int kStatusFailure = 1;
constexpr int kStatusBadParameter = 2;
constexpr int kStatusUnavailable = 3;

}  // namespace rows

#endif  // BACKENDS_ROWS_ROW_LIMITS_H_
