#include "case_file.h"

#include <fstream>
#include <stdexcept>

namespace {

const std::string kNoEol = " (no-eol)";

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The expected text of a "> text" or "! text" line, with its newline unless
// the line ends in " (no-eol)".
std::string ExpectedText(const std::string& line) {
  std::string text = line.size() > 2 ? line.substr(2) : "";
  if (text.size() >= kNoEol.size() &&
      text.compare(text.size() - kNoEol.size(), kNoEol.size(), kNoEol) == 0) {
    return text.substr(0, text.size() - kNoEol.size());
  }
  return text + "\n";
}

std::string StemOf(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  return name.substr(0, name.rfind(".case"));
}

}  // namespace

std::vector<Case> ReadCaseFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<Case> cases;
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& why) {
    throw std::runtime_error(path + ":" + std::to_string(number) + ": " + why);
  };
  auto current = [&]() -> CaseCommand& {
    if (cases.empty() || cases.back().commands.empty()) fail("expectation before any command");
    return cases.back().commands.back();
  };
  while (std::getline(in, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    if (StartsWith(line, "== ")) {
      cases.push_back({StemOf(path), line.substr(3), number, {}, {}});
    } else if (StartsWith(line, "@ ")) {
      if (cases.empty() || !cases.back().commands.empty()) fail("@ must follow a case title");
      cases.back().onlyOn = line.substr(2);
    } else if (StartsWith(line, "$ ")) {
      if (cases.empty()) fail("command before the first case title");
      CaseCommand command;
      command.command = line.substr(2);
      command.line = number;
      cases.back().commands.push_back(command);
    } else if (line == "<" || StartsWith(line, "< ")) {
      current().input += (line.size() > 2 ? line.substr(2) : "") + "\n";
    } else if (line == ">" || StartsWith(line, "> ")) {
      current().expectedStdout += ExpectedText(line);
    } else if (line == "!" || StartsWith(line, "! ")) {
      current().expectedStderr += ExpectedText(line);
    } else if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      current().expectedStatus = std::stoi(line.substr(1, line.size() - 2));
    } else {
      fail("unknown line: " + line);
    }
  }
  return cases;
}
