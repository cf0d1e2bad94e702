#ifndef TOOLS_HOST_HISTORY_H_
#define TOOLS_HOST_HISTORY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "hostnet/history_row.h"

// How ploncfg-host history reads its --since value and prints the rows.

// Microseconds since 1970 for text: YYYY-MM-DD, optionally followed by T or a
// blank and hh:mm[:ss[.fraction]], optionally ending in Z, in UTC; or @SECONDS
// since 1970. Throws Quorvic::Lib::QuorvicException for anything else.
int64_t ParseHistoryTime(const std::string& text);

// The time as YYYY-MM-DDThh:mm:ss.uuuuuuZ.
std::string FormatHistoryTime(int64_t timeUs);

// One line per row: TIME uid=UID pid=PID OPERATION OBJECT: done (or
// refused: MESSAGE); command: COMMAND.
std::string HistoryText(const std::vector<hostnet::HistoryRow>& rows);

// A JSON array with one object per row and per line: time (as text), pid,
// uid, command, operation, object, outcome ("done" or "refused") and, when
// refused, message.
std::string HistoryJson(const std::vector<hostnet::HistoryRow>& rows);

#endif  // TOOLS_HOST_HISTORY_H_
