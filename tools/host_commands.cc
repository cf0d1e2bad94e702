#include "host_commands.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "backends/faults/fault_operations.h"
#include "backends/history/history_recorder.h"
#include "backends/host_choice.h"
#include "hostnet/host_json_print.h"
#include "hostnet/host_json_read.h"
#include "hostnet/names.h"
#include "hostnet/quorvic_exception.h"
#include "hostnet/records_format.h"
#include "output/output.h"
#include "tools/durable_file.h"
#include "tools/host_graph.h"
#include "tools/host_history.h"
#include "tools/host_names.h"
#include "tools/host_status.h"

namespace {

using Quorvic::Lib::QuorvicException;

constexpr const char* kUsage =
    "Usage: ploncfg-host [--db PATH] COMMAND\n"
    "Inspects and seeds the host (--db PATH for the simulated host at PATH, else\n"
    "$QUENTA_HOSTNET, else $QUENTA_HOSTNET_DB, else host = ... in /etc/quenta/hostnet.conf\n"
    "or in the file $QUENTA_HOSTNET_CONF names, else /var/lib/quenta/hostnet.db).\n"
    "\n"
    "Commands:\n"
    "  dump                      Print the whole host as JSON.\n"
    "  get PATH                  Print one value of the dump as JSON on one line. PATH is\n"
    "                            keys joined by dots; in a list, a number is a place (from\n"
    "                            0) and other text the element of that name, as in\n"
    "                            switches.vSwitch0.configUplinks or pnics.0.\n"
    "  load [--prune-shared] [FILE|-]\n"
    "                            Replace the whole host with the JSON in FILE (default:\n"
    "                            stdin). DVSwitches shared with other hosts are added or\n"
    "                            updated in place; --prune-shared also removes the shared\n"
    "                            DVSwitches and DVPorts the file lacks, for every host.\n"
    "  reset [--empty]           Replace the host with the default host, or an empty one;\n"
    "                            DVSwitches shared with other hosts stay.\n"
    "  dvport add|remove DVSWITCH PORTID\n"
    "                            Add DVPort PORTID to DVSWITCH, or remove it (not while a\n"
    "                            VM is bound to it).\n"
    "  rewire                    Make this host's bridges for DVSwitch uplinks match its\n"
    "                            uplinks on the DVSwitches: take out what DVSwitches or\n"
    "                            DVPorts other hosts removed left behind, make what is\n"
    "                            missing (Open vSwitch with DVSwitches in OVN only).\n"
    "  lag add SWITCH LAGID [--timeout N] | lag remove SWITCH LAGID\n"
    "                            Add the LAG record LAGID of SWITCH with timeout N (0 to\n"
    "                            255, default 0; on Open vSwitch 0 slow or 1 fast), or\n"
    "                            remove it; ploncfg-vswitch -G loads it.\n"
    "  reboot                    Stop every switch, drop linked uplinks and ENS state.\n"
    "  migrate                   Bring every record an earlier build wrote to this\n"
    "                            build's format now, rather than at its first change;\n"
    "                            print what was done.\n"
    "  fault OP --message TEXT [--target NAME] [--times N] [--status N]\n"
    "                            Add a fault: OP is Method or Class.Method.\n"
    "  faults clear              Remove every fault.\n"
    "  graph                     Print the host as a Graphviz graph (DOT).\n"
    "  names [KIND...]           Print the names of the host's objects, one a line. KIND is\n"
    "                            pnic, switch, portgroup, dvswitch, dvport or opaque (all\n"
    "                            when none is given). Makes no host where there is none.\n"
    "  status                    Print how the host differs from a healthy one, each with\n"
    "                            the command that fixes it; exit status 1 when it does\n"
    "                            (or when the host cannot be read), 0 when it is healthy.\n"
    "  history [--json] [--since TIME]\n"
    "                            Print the changes asked of the host, oldest first. TIME is\n"
    "                            YYYY-MM-DD[Thh:mm[:ss]][Z] in UTC, or @SECONDS.\n"
    "  backup FILE               Write the whole host, as one snapshot, to FILE.\n"
    "  restore [--prune-shared] FILE\n"
    "                            Replace the whole host with a backup, all or nothing;\n"
    "                            shared DVSwitches as load does.\n"
    "  --help                    Show this message.\n"
    "  --version                 Show the version.\n";

// Writes text, whole lines, to standard output, each escaped as every line
// of the tools is (output/output.h); a failed write ends the run with a
// message and status 1.
void WriteOut(const std::string& text) {
  for (std::string::size_type start = 0; start < text.size();) {
    std::string::size_type end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    WriteEscaped(StandardOutput(), std::string_view(text).substr(start, end - start));
    StandardOutput() << '\n';
    start = end + 1;
  }
  StandardOutput().Flush();
}

// The whole of file, or of standard input when file is empty or "-"; a
// text longer than a host document may be is refused once that much is read.
std::string ReadInput(const std::string& file) {
  const bool standardInput = file.empty() || file == "-";
  const int fd = standardInput ? 0 : open(file.c_str(), O_RDONLY | O_CLOEXEC);
  std::string text;
  int error = fd < 0 ? errno : 0;
  char buffer[65536];
  while (error == 0 && text.size() <= kMaxDocumentBytes) {
    ssize_t length = read(fd, buffer, sizeof buffer);
    if (length < 0 && errno == EINTR) continue;
    if (length < 0) error = errno;
    if (length <= 0) break;
    text.append(buffer, static_cast<size_t>(length));
  }
  if (fd > 0) close(fd);
  const std::string name = standardInput ? std::string("standard input") : file;
  if (error != 0) throw QuorvicException("cannot read " + name + ": " + std::strerror(error));
  if (text.size() > kMaxDocumentBytes) {
    throw QuorvicException("cannot read " + name + ": a host document has at most " +
                           std::to_string(kMaxDocumentBytes >> 20) + " MiB");
  }
  return text;
}

// The value of the dump at path (see kUsage); throws when a step names
// nothing.
std::string ValueAt(const std::string& dump, const std::string& path) {
  using Json = nlohmann::ordered_json;
  const Json host = Json::parse(dump);
  const Json* value = &host;
  size_t start = 0;
  for (size_t dot = 0; dot != std::string::npos; start = dot + 1) {
    dot = path.find('.', start);
    const std::string step = path.substr(start, dot - start);
    const Json* next = nullptr;
    if (value->is_object() && value->contains(step)) {
      next = &(*value)[step];
    } else if (value->is_array() && !step.empty() && step.size() < 10 &&
               step.find_first_not_of("0123456789") == std::string::npos) {
      const size_t index = std::stoul(step);
      if (index < value->size()) next = &(*value)[index];
    } else if (value->is_array()) {
      for (const Json& element : *value) {
        if (element.is_object() && element.value("name", Json()) == step) next = &element;
      }
    }
    if (next == nullptr) throw QuorvicException("nothing at " + path.substr(0, dot));
    value = next;
  }
  return value->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
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

hostnet::FaultRow ParseFault(const std::vector<std::string>& args) {
  if (args.size() < 2 || args[1].empty() || args[1].rfind("--", 0) == 0) {
    throw QuorvicException("fault needs an operation: fault OP --message TEXT");
  }
  if (!faults::IsKnownFaultOperation(args[1])) {
    throw QuorvicException("unknown operation " + args[1] +
                           ": OP is Method or Class.Method of the host library");
  }
  hostnet::FaultRow fault;
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
  if (args.size() > count) {
    throw QuorvicException("unexpected argument " + args[count] + " (try --help)");
  }
}

// A LAG record named on the command line: lag add|remove SWITCH LAGID
// [--timeout N].
struct LagOperands {
  std::string portset;
  uint32_t lagId = 0;
  uint32_t timeout = 0;
};

LagOperands ParseLag(const std::vector<std::string>& operands) {
  const bool add = !operands.empty() && operands[0] == "add";
  const bool remove = !operands.empty() && operands[0] == "remove";
  if ((!add && !remove) || operands.size() < 3 || (remove && operands.size() != 3) ||
      (add && operands.size() != 3 && (operands.size() != 5 || operands[3] != "--timeout"))) {
    throw QuorvicException("lag takes add SWITCH LAGID [--timeout N], or remove SWITCH LAGID");
  }
  LagOperands lag;
  lag.portset = operands[1];
  lag.lagId = static_cast<uint32_t>(ParseNumber("LAGID", operands[2], 0, 4294967295LL));
  if (operands.size() == 5) {
    lag.timeout = static_cast<uint32_t>(ParseNumber("--timeout", operands[4], 0, 255));
  }
  return lag;
}

struct HistoryOptions {
  bool json = false;
  int64_t sinceUs = 0;
};

HistoryOptions ParseHistory(const std::vector<std::string>& args) {
  HistoryOptions options;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--json") {
      options.json = true;
    } else if (args[i] == "--since" && i + 1 < args.size()) {
      options.sinceUs = ParseHistoryTime(args[++i]);
    } else if (args[i] == "--since") {
      throw QuorvicException("--since needs a TIME");
    } else {
      throw QuorvicException("unexpected argument " + args[i] + " (try --help)");
    }
  }
  return options;
}

// The host document in a backup file, for a host whose switch names are
// shorter than maxSwitchNameSize, or a refusal that names the file.
hostnet::HostDocument ReadBackup(const std::string& file, uint32_t maxSwitchNameSize,
                                 DocumentRead& read) {
  try {
    return HostFromJson(ReadInput(file), maxSwitchNameSize, &read);
  } catch (const QuorvicException& e) {
    throw QuorvicException("cannot restore " + file + ": " + e.GetMessage());
  }
}

// Runs change, a change of the whole host, and records it in the host's
// history as operation "host COMMAND" on object, as the tool's changes are:
// by the change's own transaction where the host can.
template <typename Change>
void RecordedChange(hostnet::Backend& backend, const std::string& command,
                    const std::string& object, Change&& change) {
  history::HistoryRecorder history(backend);
  const hostnet::HistoryRow row = history.Row("host " + command, object);
  history.Record(row, [&] {
    backend.StageHistory(row);
    change();
  });
}

int Run(const backends::HostChoice& host, const std::vector<std::string>& args) {
  const std::string& command = args[0];
  // Check the command line before the database is touched.
  static const char* const kCommands[] = {
      "dump",  "get",    "load",    "reset",  "reboot",  "migrate", "fault", "faults", "graph",
      "names", "status", "history", "backup", "restore", "dvport",  "lag",   "rewire"};
  if (std::find(std::begin(kCommands), std::end(kCommands), command) == std::end(kCommands)) {
    throw QuorvicException("unknown command " + command + " (try --help)");
  }
  hostnet::FaultRow fault;
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
  if (command == "dump" || command == "reboot" || command == "migrate" || command == "graph" ||
      command == "status" || command == "rewire") {
    ExpectNoMore(args, 1);
  }
  if (command == "get" && args.size() != 2) throw QuorvicException("get takes one PATH");
  // load and restore leave shared DVSwitches the document lacks, unless told.
  std::vector<std::string> operands(args.begin() + 1, args.end());
  hostnet::SharedDVSwitches shared = hostnet::SharedDVSwitches::kUpdate;
  if ((command == "load" || command == "restore") && !operands.empty() &&
      operands[0] == "--prune-shared") {
    shared = hostnet::SharedDVSwitches::kPrune;
    operands.erase(operands.begin());
  }
  if ((command == "backup" || command == "restore") && operands.size() != 1) {
    throw QuorvicException(command + " takes one FILE");
  }
  if (command == "dvport" &&
      (operands.size() != 3 || (operands[0] != "add" && operands[0] != "remove"))) {
    throw QuorvicException("dvport takes add or remove, a DVSwitch and a DVPort ID");
  }
  LagOperands lag;
  if (command == "lag") lag = ParseLag(operands);
  HistoryOptions history;
  if (command == "history") history = ParseHistory(args);
  std::vector<std::string> kinds;
  if (command == "names") kinds = NameKinds(std::vector<std::string>(args.begin() + 1, args.end()));
  const std::string file = operands.empty() ? "-" : operands[0];
  if (command == "load" && operands.size() > 1) {
    throw QuorvicException("unexpected argument " + operands[1] + " (try --help)");
  }

  // Faults are for the tool's runs: this works on the backend itself. Tab
  // completion runs names, which must not make a host by asking for names.
  // Nothing reaches the host before its first call that needs it.
  std::unique_ptr<hostnet::Backend> backend = backends::OpenBackend(
      host, command == "names" ? backends::MissingHost::kRefuse : backends::MissingHost::kMake);
  // A document is read whole, and held to the host's limits, before the host
  // is touched.
  hostnet::HostDocument loaded;
  DocumentRead read;
  if (command == "load") {
    loaded = HostFromJson(ReadInput(file), backend->MaxSwitchNameSize(), &read);
  }
  if (command == "restore") loaded = ReadBackup(file, backend->MaxSwitchNameSize(), read);
  for (const std::string& line : read.leftOut) ErrorLine() << line;
  if (command == "dump") {
    WriteOut(HostToJson(backend->ReadHost()));
  } else if (command == "get") {
    WriteOut(ValueAt(HostToJson(backend->ReadHost()), args[1]));
  } else if (command == "graph") {
    WriteOut(HostGraphDot(backend->ReadHost()));
  } else if (command == "names") {
    WriteOut(HostNames(backend->ReadHost(), kinds));
  } else if (command == "status") {
    std::vector<std::string> lines = HostStatus(backend->ReadReachableHost());
    for (std::string& line : backend->Health()) lines.push_back(std::move(line));
    std::string text;
    for (const std::string& line : lines) text += hostnet::EscapedName(line) + "\n";
    WriteOut(text);
    return lines.empty() ? 0 : 1;
  } else if (command == "history") {
    std::vector<hostnet::HistoryRow> rows = backend->ReadHistory(history.sinceUs);
    WriteOut(history.json ? HistoryJson(rows) : HistoryText(rows));
  } else if (command == "backup") {
    WriteFileDurably(args[1], BackupJson(backend->ReadHost()));
  } else if (command == "load" || command == "restore") {
    RecordedChange(*backend, command, file, [&] { backend->ReplaceHost(loaded, shared); });
  } else if (command == "reset") {
    RecordedChange(*backend, "reset", args.size() == 2 ? args[1] : "", [&] {
      backend->ReplaceHost(args.size() == 2 ? hostnet::HostDocument() : backend->DefaultHost(),
                           hostnet::SharedDVSwitches::kUpdate);
    });
  } else if (command == "dvport") {
    const std::string object = operands[1] + "/" + operands[2];
    RecordedChange(*backend, "dvport " + operands[0], object, [&] {
      if (operands[0] == "add") {
        backend->AddDVPort(operands[1], operands[2]);
      } else {
        backend->RemoveDVPort(operands[1], operands[2]);
      }
    });
  } else if (command == "lag") {
    const std::string object = lag.portset + "/" + std::to_string(lag.lagId);
    RecordedChange(*backend, "lag " + operands[0], object, [&] {
      if (operands[0] == "add") {
        backend->AddLag(lag.portset, lag.lagId, lag.timeout);
      } else {
        backend->RemoveLag(lag.portset, lag.lagId);
      }
    });
  } else if (command == "reboot") {
    RecordedChange(*backend, "reboot", "", [&] { backend->Reboot(); });
  } else if (command == "migrate") {
    std::vector<std::string> done;
    RecordedChange(*backend, "migrate", "", [&] { done = backend->Migrate(); });
    std::string text;
    for (const std::string& line : done) text += line + "\n";
    WriteOut(text.empty() ? "every record is of format " + hostnet::FormatMark() + " already\n"
                          : text);
  } else if (command == "rewire") {
    RecordedChange(*backend, "rewire", "", [&] { backend->Rewire(); });
  } else if (command == "fault") {
    RecordedChange(*backend, "fault", fault.op, [&] { backend->AddFault(fault); });
  } else {
    RecordedChange(*backend, "faults clear", "", [&] { backend->ClearFaults(); });
  }
  return 0;
}

}  // namespace

int RunHostCommand(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::optional<backends::HostChoice> host;
  if (!args.empty() && args[0] == "--help") {
    WriteOut(kUsage);
    return 0;
  }
  if (!args.empty() && (args[0] == "--db" || args[0].rfind("--db=", 0) == 0)) {
    if (args[0] == "--db") {
      if (args.size() < 2) {
        ErrorLine() << "--db needs a path";
        return 1;
      }
      host = backends::HostChoice{"sqlite:" + args[1], "--db"};
      args.erase(args.begin(), args.begin() + 2);
    } else {
      host = backends::HostChoice{"sqlite:" + args[0].substr(5), "--db"};
      args.erase(args.begin());
    }
  }
  if (args.empty()) {
    ErrorLine() << "no command given (try --help)";
    return 1;
  }
  if (args[0] == "--help") {
    WriteOut(kUsage);
    return 0;
  }
  if (args[0] == "--version") {
    WriteOut("ploncfg-vswitch " PLONCFG_VERSION "\n");
    return 0;
  }
  try {
    return Run(host ? *host : backends::ChooseHost(backends::ProcessHostSettings()), args);
  } catch (const QuorvicException& e) {
    ErrorLine() << e.GetMessage();
    return 1;
  }
}
