#ifndef CLI_OPTION_VALUES_H_
#define CLI_OPTION_VALUES_H_

#include "commands/command_line.h"

// How an option's text becomes its value on the command line. Each reader
// stores text, as it is or as a number (cli/numbers.h), in its one field of
// line. The checked ones end the run with status 1 (EndRun,
// commands/end_run.h) after one line on standard error when the text is not a
// value of their field.

void ReadUplinkName(CommandLine& line, const char* text);
void ReadPortGroupName(CommandLine& line, const char* text);
void ReadDVPortId(CommandLine& line, const char* text);
void ReadImplClass(CommandLine& line, const char* text);
void ReadDvsVersion(CommandLine& line, const char* text);
void ReadCdpStatus(CommandLine& line, const char* text);
void ReadPortsetName(CommandLine& line, const char* text);
void ReadTimeoutUplink(CommandLine& line, const char* text);

// The low 16 bits of the number; text after it is ignored.
void ReadMtu(CommandLine& line, const char* text);
// The low 32 bits of the number; text after it is ignored.
void ReadLagId(CommandLine& line, const char* text);

// A number from 0 to 4095 with nothing after it, else "Invalid vlan id.  Vlan
// must be between 0-4095: <text>".
void ReadVlanId(CommandLine& line, const char* text);
// A number with nothing after it, kept to 32 bits, else "Invalid max
// active:<text>".
void ReadMaxActive(CommandLine& line, const char* text);
// Text in the UUID text form (commands/uuid_text.h), else "Invalid UUID:<text>.
// Should be of format " and an example of the form.
void ReadUuid(CommandLine& line, const char* text);

#endif  // CLI_OPTION_VALUES_H_
