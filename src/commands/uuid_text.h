#ifndef COMMANDS_UUID_TEXT_H_
#define COMMANDS_UUID_TEXT_H_

// The UUID text form: 16 bytes as two-digit lower-case hexadecimal numbers
// separated by blanks, with '-' between the 8th and 9th byte (47 characters),
// e.g. "64 76 73 30 00 00 00 00-00 00 00 00 00 00 00 00".
extern const char* const UUID_FORMAT;

// Formats the first 15 bytes of text (fewer when it is shorter), zero-padded
// to 16 bytes, in the UUID text form. The result lives in one static buffer
// that the next call overwrites.
const char* UuidToString(const char* text);

// True when text scans as 16 values of the UUID format (one or two hex digits
// each, any white space where the format has a blank, the '-' required,
// anything after the 16th value ignored).
bool IsValidUuidString(const char* text);

#endif  // COMMANDS_UUID_TEXT_H_
