#ifndef LIST_LISTING_FAILURE_H_
#define LIST_LISTING_FAILURE_H_

#include <string>

#include "hostnet/quorvic_exception.h"

// Says on standard error why a listing failed: "Listing failed for KIND:
// NAME, Error: MESSAGE", with e's message. Names others gave the host may
// hold anything, so they are written escaped.
void ReportListingFailure(const char* kind, const std::string& name,
                          const Quorvic::Lib::QuorvicException& e);

// The same for a row of a switch's table: "Listing failed for KIND: NAME
// under SWITCHKIND: SWITCHNAME, Error: MESSAGE".
void ReportListingFailure(const char* kind, const std::string& name, const char* switchKind,
                          const std::string& switchName, const Quorvic::Lib::QuorvicException& e);

#endif  // LIST_LISTING_FAILURE_H_
