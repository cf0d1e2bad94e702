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

}  // namespace hostnet
