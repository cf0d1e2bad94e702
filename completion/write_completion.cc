// Writes the bash completion script at build time: the template with the
// option words of ploncfg-vswitch from the front end's option table in place
// of its one mark, wrapped at kWidth columns with continuation lines indented
// by kIndent.
//
// Usage: write_completion TEMPLATE OUTPUT
// Exits with status 1 and one line on standard error when the template cannot
// be read, does not hold the mark exactly once, or the output cannot be written.

#include <cstddef>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/option_table.h"

namespace {

constexpr char kMark[] = "@OPTION_WORDS@";
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
  const std::string::size_type at = script.find(kMark);
  if (at == std::string::npos || script.find(kMark, at + 1) != std::string::npos) {
    std::cerr << "write_completion: " << argv[1] << " must hold " << kMark << " exactly once\n";
    return 1;
  }
  const std::string::size_type lineStart = script.rfind('\n', at);
  const size_t column = lineStart == std::string::npos ? at : at - lineStart - 1;
  script.replace(at, sizeof kMark - 1, WrapWords(OptionWords(), column));

  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << script;
  out.close();
  if (!out) {
    std::cerr << "write_completion: cannot write " << argv[2] << '\n';
    return 1;
  }
  return 0;
}
