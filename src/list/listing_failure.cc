#include "list/listing_failure.h"

#include "hostnet/names.h"
#include "output/output.h"

void ReportListingFailure(const char* kind, const std::string& name,
                          const Quorvic::Lib::QuorvicException& e) {
  ErrorLine() << "Listing failed for " << kind << ": " << hostnet::EscapedName(name)
              << ", Error: " << e.GetMessage();
}

void ReportListingFailure(const char* kind, const std::string& name, const char* switchKind,
                          const std::string& switchName, const Quorvic::Lib::QuorvicException& e) {
  ErrorLine() << "Listing failed for " << kind << ": " << hostnet::EscapedName(name) << " under "
              << switchKind << ": " << hostnet::EscapedName(switchName)
              << ", Error: " << e.GetMessage();
}
