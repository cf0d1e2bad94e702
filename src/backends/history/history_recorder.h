#ifndef BACKENDS_HISTORY_HISTORY_RECORDER_H_
#define BACKENDS_HISTORY_HISTORY_RECORDER_H_

#include <optional>
#include <string>
#include <type_traits>

#include "hostnet/backend.h"
#include "hostnet/quorvic_exception.h"

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

  // Runs change, which hands row to the host (Backend::StageHistory) before
  // it changes anything, so that the change's own transaction records it,
  // and ends what that began: appends row, done, when change returns and no
  // transaction recorded it; when change throws, appends row as refused with
  // the message unless a transaction rewrote it so already, or, when the
  // change is in the host's database and only not confirmed applied,
  // appends it as done unless one recorded it. Rethrows what change threw.
  template <typename Change>
  auto Record(const hostnet::HistoryRow& row, Change&& change) -> decltype(change()) {
    using Quorvic::Lib::QuorvicException;
    try {
      if constexpr (std::is_void_v<decltype(change())>) {
        change();
        Recorded(row);
      } else {
        auto result = change();
        Recorded(row);
        return result;
      }
    } catch (const QuorvicException& e) {
      const hostnet::StagedRow written = host_.UnstageHistory();
      if (e.GetKind() == QuorvicException::Kind::kNotConfirmed) {
        if (written == hostnet::StagedRow::kNotWritten) Append(row);
      } else if (written != hostnet::StagedRow::kWrittenRefused) {
        Append(Refusal(row, e.GetMessage()));
      }
      throw;
    }
  }

 private:
  // Appends row, done, unless a transaction of the change recorded it.
  void Recorded(const hostnet::HistoryRow& row);

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
