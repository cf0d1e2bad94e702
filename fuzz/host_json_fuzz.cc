// Fuzzes the reader of `ploncfg-host load`: any text either becomes a host or
// is refused with the library's exception; no other exception and no crash.
// A host that was read must print as JSON that reads back to the same host.

#include <cstddef>
#include <cstdint>
#include <string>

#include "hostnet/host_json_print.h"
#include "hostnet/host_json_read.h"
#include "hostnet/quorvic_exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string printed;
  try {
    printed = HostToJson(HostFromJson(std::string(reinterpret_cast<const char*>(data), size)));
  } catch (const Quorvic::Lib::QuorvicException&) {
    return 0;
  }
  try {
    if (HostToJson(HostFromJson(printed)) != printed) __builtin_trap();
  } catch (const Quorvic::Lib::QuorvicException&) {
    __builtin_trap();  // the host's own dump was refused
  }
  return 0;
}
