#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/option_table.h"

namespace {

// A bash program that sources the script named by $0 and runs its completion
// function as Tab would on the command line "ploncfg-vswitch $1", then prints
// the offered words one per line.
const char kCompleteOneWord[] =
    "source \"$0\" && COMP_WORDS=(ploncfg-vswitch \"$1\") && COMP_CWORD=1 && "
    "_ploncfg_vswitch ploncfg-vswitch && printf \"%s\\n\" \"${COMPREPLY[@]}\"";

// text as one word for /bin/sh; text holds no single quote.
std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// What the built script offers for the option word typed after the command.
std::vector<std::string> CompleteOption(const std::string& typed) {
  const std::string command =
      "bash -c " + Quoted(kCompleteOneWord) + " " + Quoted(COMPLETION_SCRIPT) + " " + Quoted(typed);
  std::vector<std::string> words;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return words;
  char line[256];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string word = line;
    if (!word.empty() && word.back() == '\n') word.pop_back();
    words.push_back(word);
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return words;
}

TEST(CompletionScript, OffersExactlyTheOptionTablesWords) {
  std::vector<std::string> offered = CompleteOption("-");
  std::vector<std::string> expected = OptionWords();
  std::sort(offered.begin(), offered.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(offered, expected);
}

}  // namespace
