#ifndef BACKENDS_HISTORY_HISTORY_RECORDER_H_
#define BACKENDS_HISTORY_HISTORY_RECORDER_H_

#include <optional>
#include <string>

#include "hostnet/backend.h"

namespace history {

// Writes this process's changes into the host's history (Backend::
// AppendHistory), each with the time, the process's ID, real user ID and
// command line (read once, from /proc/self/cmdline), so that every backend
// gets the same rows from one place. Recording never fails a change: a host
// that cannot keep a row loses that row, and the change's own outcome stands.
class HistoryRecorder {
 public:
  // host keeps the history; it must outlive the recorder.
  explicit HistoryRecorder(hostnet::Backend& host) : host_(host) {}

  // Records that operation on object was done.
  void Done(const std::string& operation, const std::string& object) {
    Append(Row(operation, object));
  }
  // Records that the host refused operation on object with message.
  void Refused(const std::string& operation, const std::string& object,
               const std::string& message) {
    Append(Refusal(Row(operation, object), message));
  }

  // The row that records operation on object as done, now.
  hostnet::HistoryRow Row(const std::string& operation, const std::string& object);
  // row, as refused with message.
  static hostnet::HistoryRow Refusal(hostnet::HistoryRow row, const std::string& message);
  // Appends row to the host's history, losing it when the host cannot keep it.
  void Append(const hostnet::HistoryRow& row);

 private:
  hostnet::Backend& host_;
  std::optional<std::string> command_;
};

// The object of a history row: the object's name, then the name argument,
// whichever are not empty, separated by a blank.
std::string HistoryObject(const std::string& object, const std::string& arg);

// The arguments of a command line, NUL-terminated one after the other as in
// /proc/PID/cmdline, as one line: each argument bare when it holds only
// letters, digits and characters sh takes literally (@%+=:,./_-), else in
// single quotes.
std::string QuotedCommandLine(const std::string& cmdline);

// This process's command line, quoted so.
std::string ProcessCommandLine();

}  // namespace history

#endif  // BACKENDS_HISTORY_HISTORY_RECORDER_H_
