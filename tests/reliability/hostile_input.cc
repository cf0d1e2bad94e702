// Hostile input: names that host scripts and operators may pass, in every
// slot that takes a name. A name is either stored and printed back byte for
// byte, then removed again by the same name, or refused with a message and
// nothing changed. Nothing may crash. Prints the figures; exits 1 when a
// promise breaks. (Numbers at and past their bounds, and broken host
// databases, are golden cases.)

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "harness.h"

namespace {

struct Figures {
  long tried = 0, stored = 0, refused = 0, crashes = 0, broken = 0;
};

Figures figures;

void Broken(const std::string& what, const CommandOutput& run) {
  ++figures.broken;
  std::cerr << "FAILED: " << what << " (status " << run.status << ")\n  stdout: " << run.out
            << "\n  stderr: " << run.err << "\n";
}

bool Crashed(const CommandOutput& run) {
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
  return {"", " ", "two words", " leading", "trailing ", "\t", "tab\there", "new\nline",
          "carriage\rreturn", "'", "\"quoted\"", "back\\slash", "`id`",
          "$(touch /tmp/ploncfg-hostile)", "x'; DROP TABLE switches; --", "\" OR 1=1 --",
          "%s%s%n%x", "-l", "--help", "a:b", "ALL", "Management", "vSwitch0", "nic1 ",
          "../../etc/passwd", "*", "\xc3\xbcml\xc3\xa4ut", "\xe5\x90\x8d\xe5\x89\x8d",
          "\xff\xfe invalid UTF-8", "\x1b[31mred", std::string(30, 'n'), std::string(31, 'n'),
          std::string(32, 'n'), std::string(4096, 'k')};
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
  const CommandOutput remove = tools.Vswitch(Fill(slot.remove, name));
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
  const CommandOutput add = tools.Vswitch(Fill(slot.add, name));
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
    const CommandOutput check = tools.Vswitch(Fill(slot.check, name));
    if (check.out != "1\n") Broken(what + ": stored, but the check does not find it", check);
  }
  if (slot.listed) {
    const CommandOutput list = tools.Vswitch({"-l"});
    if (!Contains(list.out, name)) Broken(what + ": stored, but not listed byte for byte", list);
  }
  if (slot.dumpList != nullptr) {
    // JSON holds only UTF-8 text; other bytes are not expected back from dump.
    if (IsUtf8(name) && !DumpShows(tools.Dump(), slot.dumpList, slot.dumpKey, name)) {
      Broken(what + ": stored, but dump shows it otherwise", add);
    }
  }
  if (!slot.remove.empty()) {
    const CommandOutput remove = tools.Vswitch(Fill(slot.remove, name));
    if (remove.status != 0) Broken(what + ": stored, but cannot be removed by its name", remove);
  }
  if (tools.Dump() != original) {
    Broken(what + ": the host is not back as it was after adding and removing it", add);
    tools.Load(original);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Check check(argc, argv, "", "ploncfg-hostile");
  const Tools tools = check.On("host.db");
  tools.Host({"reset"});
  const Json original = tools.Dump();

  for (const NameSlot& slot : kNameSlots) {
    for (const std::string& name : HostileNames()) TryName(tools, original, slot, name);
  }
  std::cout << "hostile input: " << figures.tried << " inputs tried, " << figures.stored
            << " stored and printed back byte for byte, " << figures.refused
            << " refused with a message\n"
            << "crashes: " << figures.crashes << "\n"
            << "broken promises: " << figures.broken << "\n";
  return check.Finish(figures.broken == 0);
}
