// Hostile input: names and numbers that host scripts and operators may pass,
// and host databases that are broken. A name is either stored and printed
// back byte for byte, then removed again by the same name, or refused with a
// message and nothing changed. A number is stored as its field's width makes
// it, or refused. A broken database gives one line naming its path, exit
// status 1, and the file is left as it was. Nothing may crash. Prints the
// figures; exits 1 when a promise breaks.

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using Args = std::vector<std::string>;

struct Figures {
  long tried = 0, stored = 0, refused = 0, crashes = 0, broken = 0;
};

Figures figures;

void Broken(const std::string& what, const ProcessResult& run) {
  ++figures.broken;
  std::cerr << "FAILED: " << what << " (status " << run.status << ")\n  stdout: " << run.out
            << "\n  stderr: " << run.err << "\n";
}

bool Crashed(const ProcessResult& run) {
  return (run.status != 0 && run.status != 1) || run.err.find("Sanitizer") != std::string::npos ||
         run.err.find("runtime error") != std::string::npos;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

bool IsUtf8(const std::string& text) {
  try {
    (void)Json(text).dump();
    return true;
  } catch (const nlohmann::json::exception&) {
    return false;
  }
}

// The names tried in every slot.
std::vector<std::string> HostileNames() {
  return {"",
          " ",
          "two words",
          " leading",
          "trailing ",
          "\t",
          "tab\there",
          "new\nline",
          "carriage\rreturn",
          "'",
          "\"quoted\"",
          "back\\slash",
          "`id`",
          "$(touch /tmp/ploncfg-hostile)",
          "x'; DROP TABLE switches; --",
          "\" OR 1=1 --",
          "%s%s%n%x",
          "-l",
          "--help",
          "a:b",
          "ALL",
          "Management",
          "vSwitch0",
          "nic1 ",
          "../../etc/passwd",
          "*",
          "\xc3\xbcml\xc3\xa4ut",
          "\xe5\x90\x8d\xe5\x89\x8d",
          "\xff\xfe invalid UTF-8",
          "\x1b[31mred",
          std::string(30, 'n'),
          std::string(31, 'n'),
          std::string(32, 'n'),
          std::string(4096, 'k')};
}

// One slot a name can go into: how it is added, checked and removed again;
// "@" in a command stands for the name. A check prints 1 when the name
// exists; an empty check or removal means the slot has none.
struct NameSlot {
  const char* what;
  Args add, check, remove;
  const char* dumpList;  // the list of dump that shows it, or null
  const char* dumpKey;
  bool listed;  // -l prints it
};

// After "--" a name that looks like an option is still the name.
// clang-format off
const NameSlot kNameSlots[] = {
    {"port group", {"-A", "@", "vSwitch0"}, {"-C", "@"}, {"-D", "@", "vSwitch0"},
     "portGroups", "name", true},
    {"switch", {"-a", "--", "@"}, {"-c", "--", "@"}, {"-d", "--", "@"},
     "switches", "name", true},
    {"DVSwitch", {"-a", "-W", "--", "@"}, {"-c", "--", "@"}, {"-d", "-W", "--", "@"},
     "dvswitches", "name", true},
    {"implementation class", {"-a", "-W", "-I", "@", "dvsI"}, {}, {"-d", "-W", "dvsI"},
     "dvswitches", "implClass", false},
    {"uplink", {"-L", "@", "vSwitch0"}, {}, {}, nullptr, nullptr, false},
    {"CDP status", {"-B", "@", "vSwitch0"}, {}, {}, nullptr, nullptr, false},
    {"port group uplink", {"-M", "@", "-p", "Management", "vSwitch0"}, {}, {},
     nullptr, nullptr, false},
};
// clang-format on

Args Fill(Args command, const std::string& name) {
  for (std::string& arg : command) {
    if (arg == "@") arg = name;
  }
  return command;
}

// True when the dump has, somewhere in a list called list, an object whose
// key holds exactly name.
bool DumpShows(const Json& host, const char* list, const char* key, const std::string& name) {
  if (host.is_object()) {
    for (const auto& item : host.items()) {
      if (item.key() == list && item.value().is_array()) {
        for (const Json& element : item.value()) {
          if (element.contains(key) && element[key] == name) return true;
        }
      }
      if (DumpShows(item.value(), list, key, name)) return true;
    }
  } else if (host.is_array()) {
    for (const Json& element : host) {
      if (DumpShows(element, list, key, name)) return true;
    }
  }
  return false;
}

// Removing a name that is not there must act on nothing, however much the
// name looks like another one.
void TryRemovingAbsentName(const Tools& tools, const Json& original, const NameSlot& slot,
                           const std::string& name, const std::string& what) {
  if (std::find(slot.remove.begin(), slot.remove.end(), "@") == slot.remove.end()) return;
  // Switches of every kind share one namespace: -d -W removes a standard
  // switch of that name too.
  const bool taken = std::string(slot.dumpList) == "portGroups"
                         ? DumpShows(original, "portGroups", "name", name)
                         : DumpShows(original, "switches", "name", name) ||
                               DumpShows(original, "dvswitches", "name", name);
  if (taken) return;
  ++figures.tried;
  const ProcessResult remove = tools.Vswitch(Fill(slot.remove, name));
  if (Crashed(remove)) {
    ++figures.crashes;
    return Broken(what + ": removing it crashed", remove);
  }
  ++figures.refused;
  if (remove.status == 0 || remove.err.empty() || tools.Dump() != original) {
    Broken(what + ": removing it while it is not there was not refused cleanly", remove);
    tools.Load(original);
  }
}

void TryName(const Tools& tools, const Json& original, const NameSlot& slot,
             const std::string& name) {
  const std::string what = std::string(slot.what) + " " + ShowCommand({name});
  TryRemovingAbsentName(tools, original, slot, name, what);
  ++figures.tried;
  const ProcessResult add = tools.Vswitch(Fill(slot.add, name));
  if (Crashed(add)) {
    ++figures.crashes;
    return Broken(what + ": crashed", add);
  }
  if (add.status != 0) {
    ++figures.refused;
    if (add.err.empty() || add.err.back() != '\n')
      Broken(what + ": refused without a message", add);
    if (tools.Dump() != original) Broken(what + ": refused, but the host changed", add);
    return;
  }
  ++figures.stored;
  if (!slot.check.empty()) {
    const ProcessResult check = tools.Vswitch(Fill(slot.check, name));
    if (check.out != "1\n") Broken(what + ": stored, but the check does not find it", check);
  }
  if (slot.listed) {
    const ProcessResult list = tools.Vswitch({"-l"});
    if (!Contains(list.out, name)) Broken(what + ": stored, but not listed byte for byte", list);
  }
  if (slot.dumpList != nullptr) {
    // JSON holds only UTF-8 text; other bytes are not expected back from dump.
    if (IsUtf8(name) && !DumpShows(tools.Dump(), slot.dumpList, slot.dumpKey, name)) {
      Broken(what + ": stored, but dump shows it otherwise", add);
    }
  }
  if (!slot.remove.empty()) {
    const ProcessResult remove = tools.Vswitch(Fill(slot.remove, name));
    if (remove.status != 0) Broken(what + ": stored, but cannot be removed by its name", remove);
  }
  if (tools.Dump() != original) {
    Broken(what + ": the host is not back as it was after adding and removing it", add);
    tools.Load(original);
  }
}

// Numbers given to one option: the command ("@" stands for the number),
// where the host keeps the value, and what each text must store there
// (nullopt: refused). Texts are narrowed to the field's width, as the C
// library reads them.
struct NumberField {
  Args command;
  const char* pointer;  // JSON pointer into the dump
  std::vector<std::pair<std::string, std::optional<Json>>> values;
};

std::vector<NumberField> NumberFields() {
  const std::nullopt_t refused = std::nullopt;
  // clang-format off
  return {
      {{"-v", "@", "-p", "Management", "vSwitch0"}, "/switches/0/portGroups/0/vlan",
       {{"0", 0}, {"4095", 4095}, {"4096", refused}, {"-1", refused}, {"0x10", 16}, {"010", 8},
        {"", 0}, {" 7", 7}, {"12abc", refused}, {"4294967295", refused}, {"4294967296", 0},
        {"18446744073709551615", refused}, {"99999999999999999999", refused}}},
      {{"-X", "@", "vSwitch0"}, "/switches/0/teaming/maxActive",
       {{"0", 0}, {"-1", -1}, {"2147483647", 2147483647}, {"-2147483648", -2147483648LL},
        {"2147483648", -2147483648LL}, {"4294967295", -1}, {"3x", refused}, {"", 0}}},
      {{"-m", "@", "vSwitch0"}, "/switches/0/mtu",
       {{"1280", 1280}, {"9000", 9000}, {"1279", refused}, {"9001", refused}, {"0", refused},
        {"65535", refused}, {"65536", refused}, {"70000", 4464}, {"0x2328", 9000},
        {"-1", refused}}},
      {{"-a", "sw:@"}, "/switches/1/numPorts",
       {{"8", 8}, {"4096", 4096}, {"7", refused}, {"4097", refused}, {"", refused},
        {"-1", refused}, {"2147483647", refused}, {"2147483648", refused},
        {"4294967304", 8}}},
      {{"-a", "-W", "-n", "@", "dvs"}, "/dvswitches/0/version",
       {{"6", 6}, {"5", 5}, {"-1", refused}, {"4294967295", refused}, {"abc", 0}}},
      // The start host has one uplink timeout record, of LAG 5.
      {{"-O", "-j", "@"}, "/uplinkTimeouts/0/loaded",
       {{"5", true}, {"0", true}, {"4", false}, {"0x5", true}, {"4294967301", true},
        {"-1", false}}},
  };
  // clang-format on
}

Json NumberHost(Json host) {
  host["uplinkTimeouts"] = {{{"portset", "ps0"}, {"uplink", "up1"}, {"lagId", 5}, {"timeout", 1}}};
  return host;
}

// start is a dump, so that a refusal must leave the next dump equal to it.
void TryNumber(const Tools& tools, const Json& start, const NumberField& field,
               const std::string& text, const std::optional<Json>& expected) {
  ++figures.tried;
  tools.Load(start);
  Args command = field.command;
  for (std::string& arg : command) {
    if (arg.find('@') != std::string::npos) arg.replace(arg.find('@'), 1, text);
  }
  const std::string what = ShowCommand(command);
  const ProcessResult run = tools.Vswitch(command);
  if (Crashed(run)) {
    ++figures.crashes;
    return Broken(what + ": crashed", run);
  }
  const Json host = tools.Dump();
  if (run.status != 0) {
    ++figures.refused;
    if (expected) Broken(what + ": refused, expected " + expected->dump(), run);
    if (run.err.empty()) Broken(what + ": refused without a message", run);
    if (host != start) Broken(what + ": refused, but the host changed", run);
    return;
  }
  ++figures.stored;
  const Json::json_pointer pointer(field.pointer);
  const Json got = host.contains(pointer) ? host[pointer] : Json();
  if (!expected) return Broken(what + ": accepted, expected a refusal; stored " + got.dump(), run);
  if (got != *expected) {
    Broken(what + ": stored " + got.dump() + ", expected " + expected->dump(), run);
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A complete host database in one file, without a write-ahead log beside it.
std::string CleanDatabase(const Tools& tools, const std::string& path) {
  const Tools fresh{tools.vswitch, tools.host, path};
  fresh.Host({"reset"});
  RunSql(path, "PRAGMA wal_checkpoint(TRUNCATE); PRAGMA journal_mode = DELETE");
  return ReadFile(path);
}

// A database file the host cannot change: its setup makes the file from a
// clean one. A readable one still lists; otherUser runs the tool as another
// user (for a read-only file, which root could write anyway).
struct BadDatabase {
  const char* what;
  void (*setup)(const std::string& path, const std::string& clean);
  bool otherUser;
  bool readable;
};

const BadDatabase kBadDatabases[] = {
    {"not a database",
     [](const std::string& p, const std::string&) { WriteFile(p, "host: vSwitch0\n"); }, false,
     false},
    {"truncated",
     [](const std::string& p, const std::string& clean) {
       WriteFile(p, clean.substr(0, clean.size() / 2));
     },
     false, false},
    {"from a newer schema",
     [](const std::string& p, const std::string& clean) {
       WriteFile(p, clean);
       RunSql(p, "PRAGMA user_version = 999");
     },
     false, false},
    {"read-only",
     [](const std::string& p, const std::string& clean) {
       WriteFile(p, clean);
       std::filesystem::permissions(p, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
     },
     true, true},
};

void TryBadDatabase(const Tools& tools, const std::string& folder, const BadDatabase& bad,
                    const std::string& clean) {
  for (const Args& args : {Args{"-A", "pgX", "vSwitch0"}, Args{"-l"}}) {
    ++figures.tried;
    const std::string path = folder + "/bad.db";
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
    bad.setup(path, clean);
    const std::string bytes = ReadFile(path);
    std::string program = tools.vswitch;
    Args line = args;
    if (bad.otherUser && geteuid() == 0) {
      // As root the file would be writable anyway: run as nobody.
      line.insert(line.begin(),
                  {"--reuid=65534", "--regid=65534", "--clear-groups", tools.vswitch});
      program = "/usr/bin/setpriv";
    }
    const ProcessResult run = RunProcess(program, line, path);
    const std::string what = std::string("database ") + bad.what + ": " + ShowCommand(args);
    if (Crashed(run)) {
      ++figures.crashes;
      Broken(what + ": crashed", run);
      continue;
    }
    if (bad.readable && args[0] == "-l") {
      ++figures.stored;
      if (run.status != 0 || !Contains(run.out, "vSwitch0")) Broken(what + ": cannot list", run);
    } else {
      ++figures.refused;
      const bool oneLine = !run.err.empty() && run.err.find('\n') == run.err.size() - 1;
      if (run.status != 1 || !oneLine || !Contains(run.err, path) || !run.out.empty()) {
        Broken(what + ": expected one line naming the path and status 1", run);
      }
    }
    if (ReadFile(path) != bytes) Broken(what + ": the file changed", run);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Check check(argc, argv, "", "ploncfg-hostile");
  // The tool may run as another user for the read-only case.
  std::filesystem::permissions(check.Folder(), std::filesystem::perms::all &
                                                   ~std::filesystem::perms::others_write &
                                                   ~std::filesystem::perms::group_write);
  const Tools tools = check.On("host.db");
  tools.Host({"reset"});
  const Json original = tools.Dump();

  for (const NameSlot& slot : kNameSlots) {
    for (const std::string& name : HostileNames()) TryName(tools, original, slot, name);
  }
  tools.Load(NumberHost(original));
  const Json numberHost = tools.Dump();
  for (const NumberField& field : NumberFields()) {
    for (const auto& [text, expected] : field.values) {
      TryNumber(tools, numberHost, field, text, expected);
    }
  }
  const std::string clean = CleanDatabase(tools, check.Folder() + "/clean.db");
  for (const BadDatabase& bad : kBadDatabases) TryBadDatabase(tools, check.Folder(), bad, clean);

  std::cout << "hostile input: " << figures.tried << " inputs tried, " << figures.stored
            << " stored and printed back byte for byte, " << figures.refused
            << " refused with a message\n"
            << "crashes: " << figures.crashes << "\n"
            << "broken promises: " << figures.broken << "\n";
  return check.Finish(figures.broken == 0);
}
