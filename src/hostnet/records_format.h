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

// The format a stored mark names (its decimal text); 0 for no mark (format 1
// or 2: what the records' shape says). A mark that is no number is of a
// format this build cannot know: Throws as RefuseNewerFormat does, naming it.
long long FormatOfMark(const std::string& where, const std::string& mark);
// The mark this build writes.
std::string FormatMark();

}  // namespace hostnet

#endif  // HOSTNET_RECORDS_FORMAT_H_
