#include "commands/device_manager_pid.h"

#include <signal.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <string>

#include "output/output.h"

std::optional<pid_t> ReadDeviceManagerPid(std::istream& in) {
  using Traits = std::istream::traits_type;
  int c = in.get();
  while (c != Traits::eof() && std::isspace(c)) {
    c = in.get();
  }
  constexpr uint64_t kMaxPid = std::numeric_limits<pid_t>::max();
  uint64_t pid = 0;
  bool anyDigit = false;
  for (; c != Traits::eof() && std::isdigit(c); c = in.get()) {
    anyDigit = true;
    // Stop growing once out of range, so that no number wraps round to a valid one.
    if (pid <= kMaxPid) {
      pid = pid * 10 + static_cast<uint64_t>(c - '0');
    }
  }
  if (!anyDigit || pid == 0 || pid > kMaxPid) {
    return std::nullopt;
  }
  return static_cast<pid_t>(pid);
}

void HangUpDeviceManager() {
  std::optional<pid_t> pid;
  {
    std::ifstream file(kDeviceManagerPidFile);
    if (!file.is_open()) {
      OutputLine() << "Failed to open " << kDeviceManagerPidFile;
      std::exit(1);
    }
    pid = ReadDeviceManagerPid(file);
  }
  if (!pid) {
    OutputLine() << "Failed to read device manager PID";
    std::exit(1);
  }
  kill(*pid, SIGHUP);
}
