#ifndef BENCH_TIMED_RUN_H_
#define BENCH_TIMED_RUN_H_

#include <string>
#include <vector>

struct RunStats {
  double seconds = 0;   // wall time
  long maxRssKiB = 0;   // peak resident set of the process
  int status = -1;      // exit status, or -1 when it did not exit
};

// Runs argv (argv[0] is a path) with its standard output sent to /dev/null,
// its standard error to errors (truncated first), and environment `env`
// added, and measures it.
RunStats TimedRun(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                  const std::string& errors = "/dev/null");

#endif  // BENCH_TIMED_RUN_H_
