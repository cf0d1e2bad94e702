#ifndef LIST_LISTING_FAILURE_H_
#define LIST_LISTING_FAILURE_H_

#include <memory>
#include <string>
#include <vector>

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

// Lists each of a switch's children (port groups, DVPorts) with list. A
// child whose listing throws QuorvicException is reported as one row of
// SWITCHKIND sw, and the next child is listed. The child's name, then the
// switch's, are asked for again for the report; when that throws, so does
// this function, and the switch's listing fails.
template <typename Child, typename Switch, typename List>
void ListChildren(const std::vector<std::unique_ptr<Child>>& children, const char* kind,
                  const Switch& sw, const char* switchKind, List list) {
  for (const std::unique_ptr<Child>& child : children) {
    try {
      list(*child);
    } catch (const Quorvic::Lib::QuorvicException& e) {
      const std::string childName = child->GetName();
      ReportListingFailure(kind, childName, switchKind, sw.GetName(), e);
    }
  }
}

#endif  // LIST_LISTING_FAILURE_H_
