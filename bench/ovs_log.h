#ifndef BENCH_OVS_LOG_H_
#define BENCH_OVS_LOG_H_

#include <string>
#include <vector>

// The comment of each record in the log of the OVSDB database file, oldest
// first, as `ovsdb-tool show-log` prints them (empty for a record without
// one; the first record is the schema's). Exits the process with status 2
// when ovsdb-tool cannot run.
std::vector<std::string> LogRecords(const std::string& file);

#endif  // BENCH_OVS_LOG_H_
