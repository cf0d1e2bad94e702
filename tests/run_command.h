#ifndef TESTS_RUN_COMMAND_H_
#define TESTS_RUN_COMMAND_H_

#include <string>
#include <vector>

// How the tests run the built tools: as separate processes, each with its
// own standard streams.

struct CommandOutput {
  std::string out;
  std::string err;
  int status = -1;      // exit status, or 128 + signal number
  bool killed = false;  // ended by the SIGKILL of killAfterMicros
};

// Runs argv[0] with arguments argv, byte for byte as given, in folder dir
// (empty: this process's folder) with env ("NAME=value") added to this
// process's environment, feeding input on standard input. The process and
// whatever it starts get SIGKILL killAfterMicros after its start when that
// is positive, else after a minute, unless it has ended by then.
CommandOutput RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::string& input = "", const std::string& dir = "",
                         long killAfterMicros = 0);

// Runs command with /bin/sh -c in folder dir.
inline CommandOutput RunCommand(const std::string& command, const std::string& input,
                                const std::string& dir, const std::vector<std::string>& env) {
  return RunProcess({"/bin/sh", "-c", command}, env, input, dir);
}

#endif  // TESTS_RUN_COMMAND_H_
