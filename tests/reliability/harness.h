#ifndef TESTS_RELIABILITY_HARNESS_H_
#define TESTS_RELIABILITY_HARNESS_H_

#include <cstddef>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

// What the parallel, crash and hostile-input checks share: their command
// line and temporary folder, the built tools run as separate processes
// against one host database the way host scripts do, and host dumps compared.

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

// The command line as one printable line, for reports.
std::string ShowCommand(const std::vector<std::string>& args);

// Counts the places where got differs from want (a value, a missing or an
// extra member or element) and writes the first few to out as
// "PATH: expected X, found Y", path starting from path.
size_t ReportDifferences(const Json& want, const Json& got, const std::string& path,
                         std::ostream& out);

// Runs sql on the SQLite database at path and returns what it reports other
// than "ok" (empty when all is well), for integrity checks and for making
// broken host files.
std::string RunSql(const std::string& path, const std::string& sql);

// One run of a check. Its command line is argv[1] ploncfg-vswitch, argv[2]
// ploncfg-host, then "--name N" pairs; a malformed line prints usage on
// standard error and ends the process with status 2. The check's host files
// live in a fresh folder under TMPDIR (or /tmp), which Finish removes when
// every promise held and keeps for inspection otherwise.
class Check {
 public:
  Check(int argc, char** argv, const char* usage, const std::string& prefix);
  // The value of --name, or fallback when it was not given.
  long Number(const std::string& name, long fallback) const;
  const std::string& Folder() const { return folder_; }
  // The tools on the host database file inside the folder.
  Tools On(const std::string& file) const;
  // The exit status of the check, after its figures: 0 when every promise
  // was kept, else 1 after saying on standard output where the files are.
  int Finish(bool kept) const;

 private:
  std::string vswitch_;
  std::string host_;
  std::vector<std::pair<std::string, long>> numbers_;
  std::string folder_;
};

#endif  // TESTS_RELIABILITY_HARNESS_H_
