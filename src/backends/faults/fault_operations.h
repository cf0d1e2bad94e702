#ifndef BACKENDS_FAULTS_FAULT_OPERATIONS_H_
#define BACKENDS_FAULTS_FAULT_OPERATIONS_H_

#include <string>

namespace faults {

// Every operation of the library a fault can name, as "Class.Method" (the
// kernel functions by their own names), in one table.
extern const char* const kFaultOperations[];

// True when op names an operation of the table: "Class.Method", or "Method"
// when some class has a method of that name.
bool IsKnownFaultOperation(const std::string& op);

}  // namespace faults

#endif  // BACKENDS_FAULTS_FAULT_OPERATIONS_H_
