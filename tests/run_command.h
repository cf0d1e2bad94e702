#ifndef TESTS_RUN_COMMAND_H_
#define TESTS_RUN_COMMAND_H_

#include <string>
#include <vector>

struct CommandOutput {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or 128 + signal number
};

// Runs command with /bin/sh -c in folder dir, with extra environment
// variables ("NAME=value") added to this process's own, feeding input on
// standard input and collecting both output streams.
CommandOutput RunCommand(const std::string& command, const std::string& input,
                         const std::string& dir, const std::vector<std::string>& env);

#endif  // TESTS_RUN_COMMAND_H_
