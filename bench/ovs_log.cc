#include "ovs_log.h"

#include <cstdio>
#include <cstdlib>

#include "support/test_server.h"

std::vector<std::string> LogRecords(const std::string& file) {
  const std::string command = ovsdb::FindProgram("ovsdb-tool") + " show-log '" + file + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    std::fprintf(stderr, "cannot run %s\n", command.c_str());
    std::exit(2);
  }
  // "record N: TIME "COMMENT"", one line each; the comment is what stands
  // between the first and the last quote.
  std::vector<std::string> comments;
  std::string line;
  for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) {
    if (c != '\n') {
      line += static_cast<char>(c);
      continue;
    }
    if (line.rfind("record ", 0) == 0) {
      const std::size_t first = line.find('"'), last = line.rfind('"');
      comments.push_back(first < last ? line.substr(first + 1, last - first - 1) : std::string());
    }
    line.clear();
  }
  if (pclose(pipe) != 0) {
    std::fprintf(stderr, "%s failed\n", command.c_str());
    std::exit(2);
  }
  return comments;
}
