#include "host_commands.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "host_json_print.h"
#include "host_json_read.h"
#include "hostnet/quorvic_exception.h"
#include "hostsim/host_database.h"
#include "hostsim/host_lock.h"
#include "hostsim/store.h"
#include "output/output.h"
#include "tools/host_graph.h"

namespace {

using Quorvic::Lib::QuorvicException;

constexpr const char* kUsage =
    "Usage: ploncfg-host [--db PATH] COMMAND\n"
    "Inspects and seeds the simulated host (database: --db PATH, else $QUENTA_HOSTNET_DB,\n"
    "else /var/lib/quenta/hostnet.db).\n"
    "\n"
    "Commands:\n"
    "  dump                      Print the whole host as JSON.\n"
    "  load [FILE|-]             Replace the whole host with the JSON in FILE (default: stdin).\n"
    "  reset [--empty]           Replace the host with the default host, or an empty one.\n"
    "  reboot                    Stop every switch, drop linked uplinks and ENS state.\n"
    "  fault OP --message TEXT [--target NAME] [--times N] [--status N]\n"
    "                            Add a fault: OP is Method or Class.Method.\n"
    "  faults clear              Remove every fault.\n"
    "  graph                     Print the host as a Graphviz graph (DOT).\n"
    "  --help                    Show this message.\n";

std::string ReadAll(std::istream& in) {
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadInput(const std::string& file) {
  if (file.empty() || file == "-") return ReadAll(std::cin);
  std::ifstream in(file, std::ios::binary);
  if (!in) throw QuorvicException("cannot read " + file);
  return ReadAll(in);
}

// A whole number in [min, max] given as the value of option.
int64_t ParseNumber(const std::string& option, const std::string& text, int64_t min, int64_t max) {
  errno = 0;
  char* end = nullptr;
  long long value = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < min || value > max) {
    throw QuorvicException(option + " must be a whole number from " + std::to_string(min) + " to " +
                           std::to_string(max) + ": " + text);
  }
  return value;
}

hostsim::FaultRow ParseFault(const std::vector<std::string>& args) {
  if (args.size() < 2 || args[1].empty() || args[1].rfind("--", 0) == 0) {
    throw QuorvicException("fault needs an operation: fault OP --message TEXT");
  }
  hostsim::FaultRow fault;
  fault.op = args[1];
  bool haveMessage = false;
  for (size_t i = 2; i < args.size(); i += 2) {
    const std::string& option = args[i];
    if (i + 1 >= args.size()) throw QuorvicException(option + " needs a value");
    const std::string& value = args[i + 1];
    if (option == "--message") {
      fault.message = value;
      haveMessage = true;
    } else if (option == "--target") {
      fault.target = value;
    } else if (option == "--times") {
      fault.times = ParseNumber(option, value, 1, 2147483647LL);
    } else if (option == "--status") {
      fault.status = ParseNumber(option, value, -2147483648LL, 2147483647LL);
      if (*fault.status == 0) throw QuorvicException("--status must not be 0");
    } else {
      throw QuorvicException("unknown fault option " + option);
    }
  }
  if (!haveMessage) throw QuorvicException("fault needs --message TEXT");
  return fault;
}

void ExpectNoMore(const std::vector<std::string>& args, size_t count) {
  if (args.size() > count) throw QuorvicException("unexpected argument " + args[count]);
}

int Run(const std::string& path, const std::vector<std::string>& args) {
  const std::string& command = args[0];
  // Check the command line before the database is touched.
  if (command != "dump" && command != "load" && command != "reset" && command != "reboot" &&
      command != "fault" && command != "faults" && command != "graph") {
    throw QuorvicException("unknown command " + command + " (try --help)");
  }
  hostsim::FaultRow fault;
  std::string loadText;
  if (command == "fault") fault = ParseFault(args);
  if (command == "faults" && (args.size() != 2 || args[1] != "clear")) {
    throw QuorvicException("faults takes one word: faults clear");
  }
  if (command == "reset") {
    ExpectNoMore(args, 2);
    if (args.size() == 2 && args[1] != "--empty") {
      throw QuorvicException("unexpected argument " + args[1]);
    }
  }
  if (command == "dump" || command == "reboot" || command == "graph") ExpectNoMore(args, 1);
  hostsim::HostDocument loaded;
  if (command == "load") {
    ExpectNoMore(args, 2);
    loaded = HostFromJson(ReadInput(args.size() == 2 ? args[1] : std::string()));
  }

  // Released after the connection closes, when this function returns.
  hostsim::HostLock lock(path);
  std::unique_ptr<hostsim::Connection> db = hostsim::OpenHostDatabase(path);
  hostsim::Store store(*db);
  if (command == "dump") {
    std::cout << HostToJson(store.ReadHost()) << std::flush;
  } else if (command == "graph") {
    std::string json = HostToJson(store.ReadHost());
    std::cout << HostGraphDot(nlohmann::ordered_json::parse(json)) << std::flush;
  } else if (command == "load") {
    store.ReplaceHost(loaded);
  } else if (command == "reset") {
    store.ReplaceHost(args.size() == 2 ? hostsim::HostDocument() : hostsim::DefaultHost());
  } else if (command == "reboot") {
    store.Reboot();
  } else if (command == "fault") {
    store.AddFault(fault);
  } else {
    store.ClearFaults();
  }
  return 0;
}

}  // namespace

int RunHostCommand(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string path = hostsim::HostDatabasePath();
  if (!args.empty() && args[0] == "--help") {
    std::cout << kUsage << std::flush;
    return 0;
  }
  if (!args.empty() && (args[0] == "--db" || args[0].rfind("--db=", 0) == 0)) {
    if (args[0] == "--db") {
      if (args.size() < 2) {
        ErrorLine() << "--db needs a path";
        return 1;
      }
      path = args[1];
      args.erase(args.begin(), args.begin() + 2);
    } else {
      path = args[0].substr(5);
      args.erase(args.begin());
    }
  }
  if (args.empty()) {
    ErrorLine() << "no command given (try --help)";
    return 1;
  }
  if (args[0] == "--help") {
    std::cout << kUsage << std::flush;
    return 0;
  }
  try {
    return Run(path, args);
  } catch (const QuorvicException& e) {
    ErrorLine() << e.GetMessage();
    return 1;
  }
}
