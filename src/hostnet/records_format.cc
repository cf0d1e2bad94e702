#include "hostnet/records_format.h"

#include "hostnet/quorvic_exception.h"

namespace hostnet {

std::string NewerFormatMessage(const std::string& where, long long found) {
  const std::string newer = std::to_string(found);
  return where + " holds records of format " + newer + ", and this build knows formats 1 to " +
         std::to_string(kRecordsFormat) + ": it reads them but changes nothing; install a build " +
         "that knows format " + newer + " (the one that wrote them, or a later one)";
}

void RefuseNewerFormat(const std::string& where, long long found) {
  if (found > kRecordsFormat) {
    throw Quorvic::Lib::QuorvicException(NewerFormatMessage(where, found));
  }
}

long long FormatOfMark(const std::string& where, const std::string& mark) {
  if (mark.empty()) return 0;
  long long format = 0;
  for (char c : mark) {
    if (c < '0' || c > '9' || format > 1000000) {
      throw Quorvic::Lib::QuorvicException(
          where + " holds records of a format this build cannot read (its mark is \"" + mark +
          "\"), and this build knows formats 1 to " + std::to_string(kRecordsFormat) +
          ": it reads them but changes nothing; install the build that wrote them, or a later one");
    }
    format = format * 10 + (c - '0');
  }
  return format;
}

std::string FormatMark() { return std::to_string(kRecordsFormat); }

}  // namespace hostnet
