#ifndef TESTS_CASE_FILE_H_
#define TESTS_CASE_FILE_H_

#include <string>
#include <vector>

// One command of a case and what it must print (format: tests/README.md).
struct CaseCommand {
  std::string command;
  std::string input;
  std::string expectedStdout;
  std::string expectedStderr;
  int expectedStatus = 0;
  int line = 0;  // where the command stands in its file
};

struct Case {
  std::string file;  // file name without folder and ".case"
  std::string title;
  int line = 0;  // where the title stands in its file
  std::string onlyOn;  // the one backend ("sqlite", "ovsdb") it runs on; empty: all
  std::vector<CaseCommand> commands;
};

// Reads the cases of one file. Throws std::runtime_error naming the file and
// line of anything it cannot read.
std::vector<Case> ReadCaseFile(const std::string& path);

#endif  // TESTS_CASE_FILE_H_
