#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "backends/sqlite/test_host.h"
#include "hostnet/network_factory.h"
#include "hostnet/network_info_impl.h"

namespace sqlite_host {
namespace {

using Quorvic::Network::NetworkFactory;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string OpenInChild() {
  return InChild([] {
    Korvel::Network::NetworkInfoImpl info;
    return std::string("opened");
  });
}

TEST(HostDatabase, RefusesAFileItCannotUseAndLeavesItUntouched) {
  struct Case {
    const char* name;
    void (*make)(const TempHost& host);
    const char* reason;
  };
  const Case cases[] = {
      {"not a database",
       [](const TempHost& host) {
         std::ofstream(host.Path()) << "these are not the pages you are looking for\n"
                                    << std::string(600, 'x');
       },
       "file is not a database"},
      {"newer schema",
       [](const TempHost& host) {
         auto db = host.Open();
         db->Exec("PRAGMA user_version = 99");
       },
       "its schema version 99 is newer than this host supports (1)"},
      {"another program's database",
       [](const TempHost& host) {
         Connection db(host.Path(), true);
         db.Exec("CREATE TABLE notes (text TEXT)");
       },
       "it is not a host database"},
  };
  for (const Case& c : cases) {
    TempHost host;
    c.make(host);
    std::string before = ReadFile(host.Path());
    EXPECT_EQ(OpenInChild(), "throws NetworkInfoImpl.NetworkInfoImpl: cannot open host database " +
                                 host.Path() + ": " + c.reason)
        << c.name;
    EXPECT_EQ(ReadFile(host.Path()), before) << c.name;
  }
}

TEST(HostDatabase, CreatesFoldersAndTheDefaultHostOnce) {
  TempHost host;
  std::string nested = host.Dir() + "/var/lib/hostnet.db";
  setenv("QUENTA_HOSTNET_DB", nested.c_str(), 1);
  // Several runs race to create the database; exactly one default host results.
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(InChild([] {
                for (int i = 0; i < 4; ++i) {
                  if (fork() == 0) {
                    Korvel::Network::NetworkInfoImpl info;
                    _exit(0);
                  }
                }
                // A run holds the host until it ends, so this one opens it last.
                while (wait(nullptr) > 0) {
                }
                return NetworkFactory::GetVirtualSwitchById("vSwitch0", 0)->GetName();
              }),
              "vSwitch0");
  }
  Connection db(nested, false);
  Store store(db);
  HostDocument doc = store.ReadHost();
  ASSERT_EQ(doc.switches.size(), 1u);
  EXPECT_EQ(doc.pnics, (std::vector<std::string>{"nic0", "nic1", "nic2", "nic3"}));
  EXPECT_EQ(doc.switches[0].row.uplinks, std::vector<std::string>{"nic0"});
  EXPECT_EQ(doc.switches[0].row.teaming.maxActive, 1);
  ASSERT_EQ(doc.switches[0].portGroups.size(), 1u);
  EXPECT_EQ(doc.switches[0].portGroups[0].name, "Management");
}

TEST(HostDatabase, ConcurrentRunsLoseNoChange) {
  TempHost host;
  host.Load(R"({"switches": [{"name": "sw0"}]})");
  constexpr int kWriters = 4;
  constexpr int kGroups = 25;
  std::string result = InChild([] {
    for (int w = 0; w < kWriters; ++w) {
      if (fork() == 0) {
        for (int g = 0; g < kGroups; ++g) {
          // Each change is a run of its own: a fresh process with its own session.
          if (fork() == 0) {
            Korvel::Network::NetworkInfoImpl info;
            NetworkFactory::GetVirtualSwitchById("sw0", 0)->AddPortGroup("pg" + std::to_string(w) +
                                                                         "-" + std::to_string(g));
            _exit(0);
          }
          int status = 0;
          wait(&status);
          if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) _exit(1);
        }
        _exit(0);
      }
    }
    int failed = 0;
    int status = 0;
    while (wait(&status) > 0) failed += (!WIFEXITED(status) || WEXITSTATUS(status) != 0);
    return std::to_string(failed) + " failed";
  });
  EXPECT_EQ(result, "0 failed");
  auto db = host.Open();
  HostDocument doc = Store(*db).ReadHost();
  ASSERT_EQ(doc.switches.size(), 1u);
  EXPECT_EQ(doc.switches[0].portGroups.size(), static_cast<size_t>(kWriters * kGroups));
}

}  // namespace
}  // namespace sqlite_host
