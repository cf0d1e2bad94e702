#include "cli/command_checks.h"

#include "cli/usage.h"
#include "output/output.h"

void CheckOnlyOneCommand(CommandMask mask) {
  if (mask == 0) return;
  ErrorLine() << "Error, only one command can be performed at a time.";
  Usage(1);
}

void CheckRequiredCommand(CommandMask mask, CommandMask requiredBits, const char* requiredText,
                          const char* optionName) {
  if ((mask & requiredBits) != 0) return;
  ErrorLine() << "Error, " << requiredText << " must be specified in order to use " << optionName;
  Usage(1);
}
