// The main of every GoogleTest program of the project: the tests run with
// host settings of their own (support/own_settings.h), kept in a temporary
// folder that goes when they end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/own_settings.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::string folder = (std::filesystem::temp_directory_path() / "ploncfg-test-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return 2;
  test_support::UseOwnHostSettings(folder);
  int status = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return status;
}
