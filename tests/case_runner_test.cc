// Runs every case of tests/cases/*.case against the built tools, each case on
// a fresh host in a folder of its own.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "case_file.h"
#include "run_command.h"

// How gtest names a case in its messages.
void PrintTo(const Case& c, std::ostream* os) { *os << c.file << ".case: " << c.title; }

namespace {

std::vector<Case> AllCases() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(CASES_DIR)) {
    if (entry.path().extension() == ".case") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  std::vector<Case> all;
  for (const std::string& file : files) {
    std::vector<Case> cases = ReadCaseFile(file);
    all.insert(all.end(), cases.begin(), cases.end());
  }
  return all;
}

// A temporary folder removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ploncfg-case-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class CaseTest : public testing::TestWithParam<Case> {};

TEST_P(CaseTest, PrintsExactly) {
  const Case& c = GetParam();
  ScratchDir dir;
  const char* path = std::getenv("PATH");
  std::vector<std::string> env = {
      "QUENTA_HOSTNET_DB=" + dir.path() + "/hostnet.db",
      "PATH=" + std::string(BUILD_DIR) + ":" + (path != nullptr ? path : "/usr/bin:/bin"),
      "FIXTURES=" + std::string(FIXTURES_DIR),
      "LC_ALL=C",
  };
  for (const CaseCommand& command : c.commands) {
    CommandOutput got = RunCommand(command.command, command.input, dir.path(), env);
    std::string where = c.file + ".case:" + std::to_string(command.line) + ": $ " + command.command;
    EXPECT_EQ(command.expectedStdout, got.out) << where << "\n(standard output)";
    EXPECT_EQ(command.expectedStderr, got.err) << where << "\n(standard error)";
    EXPECT_EQ(command.expectedStatus, got.status) << where << "\n(exit status)";
    if (testing::Test::HasFailure()) return;  // later commands depend on this one
  }
}

std::string CaseName(const testing::TestParamInfo<Case>& info) {
  std::string name = info.param.file + "__" + std::to_string(info.param.line) + "_";
  for (char ch : info.param.title) {
    name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  }
  return name.substr(0, 120);
}

INSTANTIATE_TEST_SUITE_P(Cases, CaseTest, testing::ValuesIn(AllCases()), CaseName);

}  // namespace
