#ifndef TESTS_RELIABILITY_JSON_DIFF_H_
#define TESTS_RELIABILITY_JSON_DIFF_H_

#include <cstddef>
#include <ostream>
#include <string>

#include "tool_process.h"

// Counts the places where got differs from want (a value, a missing or an
// extra member or element) and writes the first few to out as
// "PATH: expected X, found Y", path starting from path.
size_t ReportDifferences(const Json& want, const Json& got, const std::string& path,
                         std::ostream& out);

#endif  // TESTS_RELIABILITY_JSON_DIFF_H_
