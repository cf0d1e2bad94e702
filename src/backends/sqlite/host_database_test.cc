#include "backends/sqlite/host_database.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "backends/sqlite/test_host.h"
#include "hostnet/host_json_print.h"
#include "hostnet/host_json_read.h"
#include "hostnet/quorvic_exception.h"

namespace sqlite_host {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(HostDatabase, RefusesAFileItCannotUseAndLeavesItUntouched) {
  struct Case {
    const char* name;
    void (*make)(const std::string& path);
    const char* reason;
  };
  const Case cases[] = {
      {"not a database",
       [](const std::string& path) {
         std::ofstream(path) << "these are not the pages you are looking for\n"
                             << std::string(600, 'x');
       },
       "it is not a host database"},
      {"newer schema",
       [](const std::string& path) {
         SqliteBackend(path).Connect();
         Connection(path, false).Exec("PRAGMA user_version = 99");
       },
       "its schema version 99 is newer than this host supports (1)"},
      {"another program's database",
       [](const std::string& path) {
         Connection(path, true).Exec("CREATE TABLE notes (text TEXT)");
       },
       "it is not a host database"},
  };
  for (const Case& c : cases) {
    TempHost host;
    c.make(host.Path());
    std::string before = ReadFile(host.Path());
    try {
      host.Open()->Connect();
      ADD_FAILURE() << c.name << ": opened";
    } catch (const Quorvic::Lib::QuorvicException& e) {
      EXPECT_EQ(e.GetMessage(), "cannot open host database " + host.Path() + ": " + c.reason);
    }
    EXPECT_EQ(ReadFile(host.Path()), before) << c.name;
  }
}

TEST(HostDatabase, CreatesFoldersAndTheDefaultHostOnce) {
  TempHost host;
  const std::string path = host.Dir() + "/var/lib/hostnet.db";
  // Connections race to create the database; exactly one default host results.
  std::vector<std::thread> openers;
  for (int i = 0; i < 4; ++i) {
    openers.emplace_back([&] { EXPECT_NO_THROW(SqliteBackend(path).Connect()); });
  }
  for (std::thread& opener : openers) opener.join();
  SqliteBackend backend(path);
  EXPECT_EQ(DumpHost(backend), HostToJson(HostFromJson(R"({
      "pnics": ["nic0", "nic1", "nic2", "nic3"],
      "switches": [{"name": "vSwitch0", "uplinks": ["nic0"],
                    "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1},
                    "portGroups": [{"name": "Management"}]}]})")));
}

}  // namespace
}  // namespace sqlite_host
