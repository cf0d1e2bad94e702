#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "backends/sqlite/host_session.h"
#include "backends/sqlite/test_host.h"
#include "hostnet/network_info_impl.h"

namespace sqlite_host {
namespace {

#ifdef __SANITIZE_ADDRESS__
// The sanitizer's shadow memory makes the peak size meaningless.
constexpr bool kMeasuresMemory = false;
#else
constexpr bool kMeasuresMemory = true;
#endif

constexpr int kSwitches = 10000;
constexpr int kPortGroups = 8;

// Reads everything the standard switch listing reads, in the same order.
std::string ReadLikeTheListing() {
  auto start = std::chrono::steady_clock::now();
  Korvel::Network::NetworkInfoImpl network;
  auto info = network.GetVirtualSwitchInfo();
  Connection& db = HostSession::Get().store().Db();
  int64_t statementsBefore = db.StatementsRun();
  size_t cells = 0;
  for (auto& sw : info->GetVirtualSwitches(false)) {
    cells += sw->GetTeamingPolicy().GetUplinkOrder().size();
    cells += sw->GetName().size() + sw->GetNumPorts() + sw->GetNumUsedPorts() +
             sw->GetNumConfiguredPorts() + sw->GetMtu();
    for (auto& pg : sw->GetPortGroups()) {
      cells += pg->GetPorts().size() + pg->GetTeamingPolicy().GetMask() + pg->GetName().size() +
               pg->GetVlanId();
    }
  }
  int64_t statements = db.StatementsRun() - statementsBefore;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("listing read %zu values with %lld statements in %.3f s, peak RSS %ld KiB\n", cells,
              static_cast<long long>(statements), seconds, usage.ru_maxrss);
  std::fflush(stdout);
  return std::to_string(statements) + " statements, " +
         (usage.ru_maxrss < 16 * 1024 || !kMeasuresMemory ? "under" : "over") + " 16 MiB";
}

TEST(ListingScale, ReadsTenThousandSwitchesWithAFewQueriesInLittleMemory) {
  TempHost host;
  // Build the big host in a child so that this process stays small.
  ASSERT_EQ(InChild([&] {
              HostDocument doc;
              doc.pnics = {"nic0", "nic1"};
              for (int s = 0; s < kSwitches; ++s) {
                StandardSwitchDoc sw;
                sw.row.name = "sw" + std::to_string(s);
                sw.row.numPorts = sw.row.configuredPorts = 128;
                sw.row.teaming = {true, {"nic0", "nic1"}, 1};
                for (int g = 0; g < kPortGroups; ++g) {
                  PortGroupRow pg;
                  pg.name = sw.row.name + "-pg" + std::to_string(g);
                  pg.ports = 2;
                  pg.teaming = {g % 2 == 0, {"nic1"}, 1};
                  sw.portGroups.push_back(pg);
                }
                doc.switches.push_back(std::move(sw));
              }
              auto db = host.Open();
              Store(*db).ReplaceHost(doc);
              return std::string("built");
            }),
            "built");
  EXPECT_EQ(InChild(ReadLikeTheListing), "2 statements, under 16 MiB");
}

}  // namespace
}  // namespace sqlite_host
