#include "tools/host_history.h"

#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "hostnet/names.h"
#include "hostnet/quorvic_exception.h"

namespace {

[[noreturn]] void BadTime(const std::string& text) {
  throw Quorvic::Lib::QuorvicException(
      "--since takes YYYY-MM-DD[Thh:mm[:ss]][Z] in UTC or @SECONDS, not " + text);
}

// The digits of text from *at, at most max of them and at least one; moves
// *at past them.
int64_t Digits(const std::string& text, size_t* at, size_t max) {
  size_t start = *at;
  int64_t value = 0;
  while (*at < text.size() && *at - start < max && text[*at] >= '0' && text[*at] <= '9') {
    value = value * 10 + (text[(*at)++] - '0');
  }
  if (*at == start) BadTime(text);
  return value;
}

void Expect(const std::string& text, size_t* at, char c) {
  if (*at >= text.size() || text[*at] != c) BadTime(text);
  ++*at;
}

}  // namespace

int64_t ParseHistoryTime(const std::string& text) {
  size_t at = 0;
  if (!text.empty() && text[0] == '@') {
    at = 1;
    int64_t seconds = Digits(text, &at, 12);
    if (at != text.size()) BadTime(text);
    return seconds * 1000000;
  }
  std::tm tm{};
  tm.tm_year = static_cast<int>(Digits(text, &at, 4)) - 1900;
  Expect(text, &at, '-');
  tm.tm_mon = static_cast<int>(Digits(text, &at, 2)) - 1;
  Expect(text, &at, '-');
  tm.tm_mday = static_cast<int>(Digits(text, &at, 2));
  int64_t micros = 0;
  if (at < text.size() && (text[at] == 'T' || text[at] == ' ')) {
    ++at;
    tm.tm_hour = static_cast<int>(Digits(text, &at, 2));
    Expect(text, &at, ':');
    tm.tm_min = static_cast<int>(Digits(text, &at, 2));
    if (at < text.size() && text[at] == ':') {
      ++at;
      tm.tm_sec = static_cast<int>(Digits(text, &at, 2));
      if (at < text.size() && text[at] == '.') {
        ++at;
        size_t start = at;
        micros = Digits(text, &at, 6);
        for (size_t n = at - start; n < 6; ++n) micros *= 10;
      }
    }
  }
  if (at < text.size() && text[at] == 'Z') ++at;
  if (at != text.size() || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 ||
      tm.tm_min > 59 || tm.tm_sec > 60) {
    BadTime(text);
  }
  return int64_t{timegm(&tm)} * 1000000 + micros;
}

std::string FormatHistoryTime(int64_t timeUs) {
  time_t seconds = static_cast<time_t>(timeUs / 1000000);
  std::tm tm{};
  gmtime_r(&seconds, &tm);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%06dZ", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                static_cast<int>(timeUs % 1000000));
  return text;
}

std::string HistoryText(const std::vector<hostnet::HistoryRow>& rows) {
  std::string out;
  for (const hostnet::HistoryRow& row : rows) {
    // A refused name, and a command line, may hold anything.
    out += FormatHistoryTime(row.timeUs) + " uid=" + std::to_string(row.uid) +
           " pid=" + std::to_string(row.pid) + " " + row.operation +
           (row.object.empty() ? "" : " " + hostnet::EscapedName(row.object)) +
           (row.done ? ": done" : ": refused: " + hostnet::EscapedName(row.message)) +
           "; command: " + hostnet::EscapedName(row.command) + "\n";
  }
  return out;
}

std::string HistoryJson(const std::vector<hostnet::HistoryRow>& rows) {
  std::string out = "[";
  for (const hostnet::HistoryRow& row : rows) {
    nlohmann::ordered_json entry = {{"time", FormatHistoryTime(row.timeUs)},
                                    {"pid", row.pid},
                                    {"uid", row.uid},
                                    {"command", row.command},
                                    {"operation", row.operation},
                                    {"object", row.object},
                                    {"outcome", row.done ? "done" : "refused"}};
    if (!row.done) entry["message"] = row.message;
    out += (out.size() == 1 ? "\n  " : ",\n  ") +
           entry.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  }
  return out + (rows.empty() ? "]\n" : "\n]\n");
}
