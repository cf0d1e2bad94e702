#include "backends/history/history_recorder.h"

#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <iterator>

#include "hostnet/quorvic_exception.h"

namespace history {

namespace {

bool IsPlain(const std::string& arg) {
  if (arg.empty()) return false;
  for (unsigned char c : arg) {
    if (!std::isalnum(c) &&
        std::string("@%+=:,./_-").find(static_cast<char>(c)) == std::string::npos) {
      return false;
    }
  }
  return true;
}

std::string Quoted(const std::string& arg) {
  if (IsPlain(arg)) return arg;
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

int64_t NowUs() {
  timeval now{};
  gettimeofday(&now, nullptr);
  return int64_t{now.tv_sec} * 1000000 + now.tv_usec;
}

}  // namespace

std::string HistoryObject(const std::string& object, const std::string& arg) {
  if (object.empty()) return arg;
  if (arg.empty()) return object;
  return object + " " + arg;
}

std::string QuotedCommandLine(const std::string& cmdline) {
  std::string line;
  size_t start = 0;
  while (start < cmdline.size()) {
    size_t end = cmdline.find('\0', start);
    if (end == std::string::npos) end = cmdline.size();
    if (!line.empty()) line += ' ';
    line += Quoted(cmdline.substr(start, end - start));
    start = end + 1;
  }
  return line;
}

std::string ProcessCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  return QuotedCommandLine(
      std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

hostnet::HistoryRow HistoryRecorder::Row(const std::string& operation, const std::string& object) {
  if (!command_) command_ = ProcessCommandLine();
  hostnet::HistoryRow row;
  row.timeUs = NowUs();
  row.pid = getpid();
  row.uid = getuid();
  row.command = *command_;
  row.operation = operation;
  row.object = object;
  row.done = true;
  return row;
}

hostnet::HistoryRow HistoryRecorder::Refusal(hostnet::HistoryRow row, const std::string& message) {
  row.done = false;
  row.message = message;
  return row;
}

void HistoryRecorder::Append(const hostnet::HistoryRow& row) {
  try {
    host_.AppendHistory(row);
  } catch (const Quorvic::Lib::QuorvicException&) {
    // The change stands as it ended; only its record is lost.
  }
}

void HistoryRecorder::Recorded(const hostnet::HistoryRow& row) {
  if (host_.UnstageHistory() == hostnet::StagedRow::kNotWritten) Append(row);
}

}  // namespace history
