#ifndef COMMANDS_DEVICE_MANAGER_PID_H_
#define COMMANDS_DEVICE_MANAGER_PID_H_

#include <sys/types.h>

#include <istream>
#include <optional>

// The host's device manager, reached through the file in which it records its
// process id as a decimal number.

inline constexpr char kDeviceManagerPidFile[] = "/var/run/quenta/dreldevmgr.pid";

// Reads the process id at the start of in: white space is skipped, then the
// decimal digits up to the first other character are the number. Empty when
// there is no digit, or the number is 0 or does not fit a positive pid_t (such
// a value would address a process group or every process, never one process).
std::optional<pid_t> ReadDeviceManagerPid(std::istream& in);

// Sends SIGHUP to the process named by kDeviceManagerPidFile; whether it
// arrives is not checked. The file is used only when it is a regular file,
// not a symbolic link, owned by root and writable by no one else, in a folder
// that others may not write unless it has the sticky bit; it is opened
// without blocking. When it cannot be opened or is not such a file ("Failed
// to open " and the path) or holds no usable process id ("Failed to read
// device manager PID"), writes that line to standard output and ends the
// run with status 1 (EndRun, commands/end_run.h) without sending anything.
void HangUpDeviceManager();

#endif  // COMMANDS_DEVICE_MANAGER_PID_H_
