#include "list/table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "list/vector_to_string.h"

namespace {

using Quorvic::Misc::VectorToString;

// Sends standard output to a string for the life of the object.
class CapturedOutput {
 public:
  CapturedOutput() : saved_(std::cout.rdbuf(text_.rdbuf())) {}
  ~CapturedOutput() { std::cout.rdbuf(saved_); }
  std::string Text() const { return text_.str(); }

 private:
  std::ostringstream text_;
  std::streambuf* saved_;
};

TEST(VectorToString, JoinsWithoutLeadingOrTrailingSeparator) {
  struct Case {
    std::vector<std::string> items;
    std::string joined;
  };
  const Case cases[] = {
      {{}, ""},
      {{"nic0"}, "nic0"},
      {{"nic0", "nic1", "nic2"}, "nic0,nic1,nic2"},
      {{"a,b", "c"}, "a,b,c"},
      {{"", ""}, ","},
  };
  for (const Case& c : cases) EXPECT_EQ(VectorToString(c.items, ","), c.joined);
  EXPECT_EQ(VectorToString(std::vector<int>{7, 8, 9}, "; "), "7; 8; 9");
}

struct Row {
  std::string name;
  uint16_t vlan = 0;
  bool inUse = false;
  std::vector<std::string> clients;
  bool failOnVlan = false;
};

const Column<Row> kTable[] = {
    Gap<Row>(),
    {"Name", 6, [](Cell cell, Row& row) { cell(row.name); }},
    Gap<Row>(),
    {"VLAN", 5,
     [](Cell cell, Row& row) {
       if (row.failOnVlan) throw std::runtime_error("vlan");
       cell(row.vlan);
     }},
    {"Use", 4, [](Cell cell, Row& row) { cell(row.inUse); }},
    {"Who", 4,
     [](Cell cell, Row& row) {
       if (row.clients.size() == 1) cell(row.clients.front());
     }},
};

TEST(Table, WritesPaddedUntrimmedLines) {
  SetLeftJustified();
  struct Case {
    const char* what;
    Row row;
    std::string line;
  };
  const Case cases[] = {
      {"short values are padded, last cell too",
       {"pg", 10, true, {"vm"}},
       "  pg      10   1   vm  \n"},
      {"a value at the width meets the gap", {"abcdef", 4095, false, {}}, "  abcdef  4095 0   \n"},
      {"a longer value pushes the line right",
       {"abcdefgh", 0, false, {"client1"}},
       "  abcdefgh  0    0   client1\n"},
      {"two clients leave the last cell out", {"p", 1, true, {"a", "b"}}, "  p       1    1   \n"},
  };
  for (const Case& c : cases) {
    CapturedOutput out;
    Row row = c.row;
    WriteRow(kTable, row);
    EXPECT_EQ(out.Text(), c.line) << c.what;
  }
  CapturedOutput out;
  WriteHeader(kTable);
  WriteBlankLine();
  EXPECT_EQ(out.Text(), "  Name    VLAN Use Who \n\n");
}

TEST(Table, FailedFetchLeavesCellsWrittenAndNoWidthBehind) {
  SetLeftJustified();
  CapturedOutput out;
  Row row{"pg", 0, false, {}, true};
  EXPECT_THROW(WriteRow(kTable, row), std::runtime_error);
  // The next line continues the unfinished one, unpadded.
  std::cout << "x";
  EndLine();
  EXPECT_EQ(out.Text(), "  pg      x\n");
}

TEST(Table, LeftJustificationIsAddedAndKept) {
  std::cout.unsetf(std::ios_base::adjustfield);
  std::cout.setf(std::ios_base::showpos);
  SetLeftJustified();
  EXPECT_TRUE(std::cout.flags() & std::ios_base::left);
  EXPECT_TRUE(std::cout.flags() & std::ios_base::showpos);
  std::cout.unsetf(std::ios_base::showpos);
  EXPECT_EQ(std::cout.fill(), ' ');
}

}  // namespace
