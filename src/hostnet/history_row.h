#ifndef HOSTNET_HISTORY_ROW_H_
#define HOSTNET_HISTORY_ROW_H_

#include <cstdint>
#include <string>

namespace hostnet {

// A host keeps at most this many history rows: the newest ones.
constexpr int64_t kHistoryLimit = 100000;

// One change asked of the host, as its history keeps it: who asked, what, and
// how it ended.
struct HistoryRow {
  int64_t id = 0;         // the host's key; grows with each row appended
  int64_t timeUs = 0;     // microseconds since 1970-01-01 00:00 UTC
  int64_t pid = 0;        // of the process that asked
  int64_t uid = 0;        // its real user ID
  std::string command;    // its command line, each argument quoted for sh as needed
  std::string operation;  // "Class.Method" of the library, or "host COMMAND"
  std::string object;     // the object's name, then the name argument, if any
  bool done = false;      // false: refused, and nothing changed
  std::string message;    // the refusal's message; empty when done
};

// What became of the history row a backend was handed before a change
// (Backend::StageHistory).
enum class StagedRow {
  kNotWritten,      // no transaction of the change wrote it
  kWrittenDone,     // a transaction wrote it as done
  kWrittenRefused,  // a later one rewrote it as refused, when the change was undone
};

}  // namespace hostnet

#endif  // HOSTNET_HISTORY_ROW_H_
