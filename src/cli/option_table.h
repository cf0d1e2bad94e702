#ifndef CLI_OPTION_TABLE_H_
#define CLI_OPTION_TABLE_H_

#include <getopt.h>

// The options getopt_long reads. Every long option returns its short letter
// and none uses a flag pointer, so a long option and its letter are handled
// alike. 't' is a short letter without a long name.
extern const char kShortOptions[];
// The long options, ended by an all-zero entry.
extern const struct option kLongOptions[];

// The long name of the option with this short letter, as the modifier checks
// name it; "" for a letter without one.
const char* LongName(int letter);

#endif  // CLI_OPTION_TABLE_H_
