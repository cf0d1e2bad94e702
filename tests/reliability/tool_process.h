#ifndef TESTS_RELIABILITY_TOOL_PROCESS_H_
#define TESTS_RELIABILITY_TOOL_PROCESS_H_

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// Runs the built tools as separate processes against one host database, the
// way host scripts do, for the parallel, crash and hostile-input checks.

using Json = nlohmann::ordered_json;

struct ProcessResult {
  std::string out;
  std::string err;
  int status = -1;      // exit status, or 128 + signal number
  bool killed = false;  // ended by the SIGKILL of RunAndKill
};

// Where the tools are and which host database they use.
struct Tools {
  std::string vswitch;  // path of ploncfg-vswitch
  std::string host;     // path of ploncfg-host
  std::string db;       // QUENTA_HOSTNET_DB for every run

  // Runs ploncfg-vswitch with args, byte for byte as given, and waits.
  ProcessResult Vswitch(const std::vector<std::string>& args) const;
  // Runs ploncfg-host with args, feeding input on standard input.
  ProcessResult Host(const std::vector<std::string>& args, const std::string& input = "") const;
  // Replaces the host with document; throws std::runtime_error when refused.
  void Load(const Json& document) const;
  // The host as ploncfg-host dump prints it; throws std::runtime_error when
  // the dump fails or is not JSON.
  Json Dump() const;
};

// Runs program with args and QUENTA_HOSTNET_DB=db, feeding input, and waits.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& db, const std::string& input = "");

// Like RunProcess, but sends SIGKILL delayMicros after the start unless the
// process has ended by then.
ProcessResult RunAndKill(const std::string& program, const std::vector<std::string>& args,
                         const std::string& db, long delayMicros);

// A fresh folder under TMPDIR (or /tmp) named after prefix.
std::string MakeTempFolder(const std::string& prefix);

// The command line as one printable line, for reports.
std::string ShowCommand(const std::vector<std::string>& args);

// The command line of a check: argv[1] is ploncfg-vswitch, argv[2]
// ploncfg-host, then "--name N" pairs. A malformed line prints usage on
// standard error and ends the process with status 2.
class Arguments {
 public:
  Arguments(int argc, char** argv, const char* usage);
  const std::string& Vswitch() const { return vswitch_; }
  const std::string& Host() const { return host_; }
  // The value of --name, or fallback when it was not given.
  long Number(const std::string& name, long fallback) const;

 private:
  std::string vswitch_;
  std::string host_;
  std::vector<std::pair<std::string, long>> numbers_;
};

#endif  // TESTS_RELIABILITY_TOOL_PROCESS_H_
