#ifndef HOSTNET_RECORDS_FORMAT_H_
#define HOSTNET_RECORDS_FORMAT_H_

#include <string>

// The format of the records the tools keep in a host's stores and in its
// documents: doc/formats.md says what each format holds. Every change this
// build makes writes its own format; it reads every earlier one and refuses
// to change records of a later one.
namespace hostnet {

constexpr int kRecordsFormat = 3;

// The message that refuses a change of records of format found, kept in
// where (a store, a row, a file), when found is newer than kRecordsFormat:
// it names both formats and what to install.
std::string NewerFormatMessage(const std::string& where, long long found);

// Throws Quorvic::Lib::QuorvicException with NewerFormatMessage when found is
// newer than kRecordsFormat.
void RefuseNewerFormat(const std::string& where, long long found);

}  // namespace hostnet

#endif  // HOSTNET_RECORDS_FORMAT_H_
