#ifndef TESTS_RELIABILITY_HARNESS_H_
#define TESTS_RELIABILITY_HARNESS_H_

#include <cstddef>
#include <nlohmann/json.hpp>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "../run_command.h"

// What the parallel, crash and hostile-input checks share: their command
// line and temporary folder, the built tools run against one host database
// the way host scripts do, and host dumps compared.

using Json = nlohmann::ordered_json;
using Args = std::vector<std::string>;

// Where the tools are and which host database they use.
struct Tools {
  std::string vswitch;  // path of ploncfg-vswitch
  std::string host;     // path of ploncfg-host
  std::string db;       // QUENTA_HOSTNET_DB for every run, unless env is given
  std::vector<std::string> env = {};  // else the settings of every run, "NAME=value"

  // Runs ploncfg-vswitch with args; killed killAfterMicros after its start
  // when that is positive.
  CommandOutput Vswitch(const Args& args, long killAfterMicros = 0) const;
  CommandOutput Host(const Args& args, const std::string& input = "") const;
  // Replaces the host with document; throws std::runtime_error when refused.
  void Load(const Json& document) const;
  // The host as ploncfg-host dump prints it; throws std::runtime_error when
  // the dump fails or is not JSON.
  Json Dump() const;
};

// What a command may leave behind when it dies between its library calls:
// the listed members of its switch taken from the finished run, the rest as
// before. Empty for commands that make a single change.
struct Operation {
  Args args;
  std::string switchName;
  std::vector<std::string> firstStep;
  bool topLevel = false;  // firstStep names members of the host, not the switch
};

// The state after the first library call of op: before, with op's
// first-step members from after.
Json FirstStep(const Operation& op, const Json& before, const Json& after);

// The random choices of a check, from a seed.
class Picks {
 public:
  explicit Picks(unsigned seed) : random_(seed) {}
  // 0 to n - 1.
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  long Between(long least, long most) {
    return std::uniform_int_distribution<long>(least, most)(random_);
  }
  // A port group of switch sw in host (a dump), or "none".
  std::string PortGroupOf(const Json& host, const std::string& sw);
  // A switch of host whose name starts with initial, or initial alone.
  std::string SwitchNamed(const Json& host, char initial);

 private:
  std::mt19937 random_;
};

// The command line as one printable line, for reports.
std::string ShowCommand(const Args& args);

// Counts the places where got differs from want (a value, a missing or an
// extra member or element) and writes the first few to out as
// "PATH: expected X, found Y".
size_t ReportDifferences(const Json& want, const Json& got, const std::string& path,
                         std::ostream& out);

// Runs sql on the SQLite database at path and returns what it reports other
// than "ok": empty when all is well.
std::string RunSql(const std::string& path, const std::string& sql);

// One run of a check. Its command line is argv[1] ploncfg-vswitch, argv[2]
// ploncfg-host, then "--name N" pairs; a malformed line prints usage and ends
// the process with status 2. The check's files live in a fresh folder under
// TMPDIR (or /tmp), removed by Finish when every promise held. The tools run
// with host settings of the check's own (support/own_settings.h); "--wait N"
// gives every run QUENTA_HOSTNET_WAIT=N.
class Check {
 public:
  Check(int argc, char** argv, const char* usage, const std::string& prefix);
  // The value of --name, or fallback when it was not given.
  long Number(const std::string& name, long fallback) const;
  // The tools on the host database file inside the folder.
  Tools On(const std::string& file) const { return {vswitch_, host_, folder_ + "/" + file}; }
  const std::string& Folder() const { return folder_; }
  // The exit status of the check, after its figures: 0 when every promise
  // was kept, else 1 after saying where the files are.
  int Finish(bool kept) const;

 private:
  std::string vswitch_, host_, folder_;
  std::vector<std::pair<std::string, long>> numbers_;
};

#endif  // TESTS_RELIABILITY_HARNESS_H_
