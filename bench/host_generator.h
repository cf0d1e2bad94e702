#ifndef BENCH_HOST_GENERATOR_H_
#define BENCH_HOST_GENERATOR_H_

#include <ostream>

// Writes, in the host's JSON form, a host of `switches` standard switches
// sw0..swN-1 with 8 port groups each (pgI_0..pgI_7), four pnics, three
// DVSwitches with DVPorts and one opaque switch.
void WriteBenchHost(std::ostream& out, int switches);

#endif  // BENCH_HOST_GENERATOR_H_
