#ifndef BACKENDS_ROWS_SETTING_VALUES_H_
#define BACKENDS_ROWS_SETTING_VALUES_H_

#include <chrono>
#include <map>
#include <string>

// The settings every backend is handed: one map, by the key that names a
// setting in hostnet.conf, of values as text (backends/host_choice.h says
// where they come from). Each backend reads its own keys.
namespace rows {

using Options = std::map<std::string, std::string>;

// The value of key, or fallback when options lack it or it is empty.
std::string OptionOr(const Options& options, const std::string& key, const std::string& fallback);

// The whole number of seconds, from min to max, that key holds; fallback
// when options lack it or it is empty. Throws QuorvicException "WHAT must
// be a whole number of seconds from MIN to MAX: VALUE".
std::chrono::seconds SecondsOption(const Options& options, const std::string& key, long min,
                                   long max, std::chrono::seconds fallback,
                                   const std::string& what);

// How long a run waits for another run's hold on the host: the key "wait"
// (QUENTA_HOSTNET_WAIT), 0 to 3600 s, 10 s when unset.
std::chrono::milliseconds WaitLimit(const Options& options);

}  // namespace rows

#endif  // BACKENDS_ROWS_SETTING_VALUES_H_
