// Writes the bash completion script at build time: the template with the
// option words of ploncfg-vswitch from the front end's option table and the
// operation names a fault may take from the fault table in place of their
// marks, wrapped at kWidth columns with continuation lines indented by
// kIndent.
//
// Usage: write_completion TEMPLATE OUTPUT
// Exits with status 1 and one line on standard error when the template cannot
// be read, does not hold each mark exactly once, or the output cannot be written.

#include <cstddef>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "backends/faults/fault_operations.h"
#include "cli/option_table.h"

namespace {

constexpr size_t kWidth = 100;
constexpr size_t kIndent = 12;

// The words joined by blanks, the first one starting at column.
std::string WrapWords(const std::vector<std::string>& words, size_t column) {
  std::string text;
  for (const std::string& word : words) {
    if (!text.empty() && column + 1 + word.size() > kWidth) {
      text += '\n' + std::string(kIndent, ' ');
      column = kIndent;
    } else if (!text.empty()) {
      text += ' ';
      ++column;
    }
    text += word;
    column += word.size();
  }
  return text;
}

// The operations of the fault table.
std::vector<std::string> FaultOperationWords() {
  std::vector<std::string> words;
  for (const char* const* op = faults::kFaultOperations; *op != nullptr; ++op) {
    words.push_back(*op);
  }
  return words;
}

// Puts words in place of mark in script; false when script does not hold
// mark exactly once.
bool Fill(std::string& script, const std::string& mark, const std::vector<std::string>& words) {
  const std::string::size_type at = script.find(mark);
  if (at == std::string::npos || script.find(mark, at + 1) != std::string::npos) return false;
  const std::string::size_type lineStart = script.rfind('\n', at);
  const size_t column = lineStart == std::string::npos ? at : at - lineStart - 1;
  script.replace(at, mark.size(), WrapWords(words, column));
  return true;
}

bool ReadFile(const char* path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  text = content.str();
  return !in.bad();
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::cerr << "usage: write_completion TEMPLATE OUTPUT\n";
    return 1;
  }
  std::string script;
  if (!ReadFile(argv[1], script)) {
    std::cerr << "write_completion: cannot read " << argv[1] << '\n';
    return 1;
  }
  if (!Fill(script, "@OPTION_WORDS@", OptionWords()) ||
      !Fill(script, "@FAULT_OPERATIONS@", FaultOperationWords())) {
    std::cerr << "write_completion: " << argv[1]
              << " must hold @OPTION_WORDS@ and @FAULT_OPERATIONS@ exactly once each\n";
    return 1;
  }

  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << script;
  out.close();
  if (!out) {
    std::cerr << "write_completion: cannot write " << argv[2] << '\n';
    return 1;
  }
  return 0;
}
