#include "harness.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "support/own_settings.h"

namespace {

std::string Show(const Json& value) {
  std::string text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
  return text.size() > 120 ? text.substr(0, 117) + "..." : text;
}

size_t Walk(const Json& want, const Json& got, const std::string& path, std::ostream& out,
            size_t found) {
  if (want.type() == got.type() && want.is_object()) {
    for (const auto& item : want.items()) {
      found = Walk(item.value(), got.value(item.key(), Json()), path + "." + item.key(), out, found);
    }
    for (const auto& item : got.items()) {
      if (!want.contains(item.key()))
        found = Walk(Json(), item.value(), path + "." + item.key(), out, found);
    }
    return found;
  }
  if (want.type() == got.type() && want.is_array()) {
    for (size_t i = 0; i < std::max(want.size(), got.size()); ++i) {
      found = Walk(i < want.size() ? want[i] : Json(), i < got.size() ? got[i] : Json(),
                   path + "[" + std::to_string(i) + "]", out, found);
    }
    return found;
  }
  if (want == got) return found;
  if (found < 10) {
    out << (path.empty() ? "." : path) << ": expected " << Show(want) << ", found " << Show(got)
        << "\n";
  }
  return found + 1;
}

}  // namespace

CommandOutput Tools::Vswitch(const Args& args, long killAfterMicros) const {
  Args argv = args;
  argv.insert(argv.begin(), vswitch);
  return RunProcess(argv, env.empty() ? Args{"QUENTA_HOSTNET_DB=" + db} : env, "", "",
                    killAfterMicros);
}

CommandOutput Tools::Host(const Args& args, const std::string& input) const {
  Args argv = args;
  argv.insert(argv.begin(), host);
  return RunProcess(argv, env.empty() ? Args{"QUENTA_HOSTNET_DB=" + db} : env, input);
}

Json FirstStep(const Operation& op, const Json& before, const Json& after) {
  Json mid = before;
  for (const std::string& key : op.firstStep) {
    if (op.topLevel) mid[key] = after[key];
  }
  for (Json& sw : mid["switches"]) {
    for (const Json& done : after["switches"]) {
      if (op.topLevel || sw["name"] != op.switchName || done["name"] != op.switchName) continue;
      for (const std::string& key : op.firstStep) sw[key] = done[key];
    }
  }
  return mid;
}

std::string Picks::PortGroupOf(const Json& host, const std::string& sw) {
  for (const Json& s : host["switches"]) {
    if (s["name"] == sw && !s["portGroups"].empty()) {
      return s["portGroups"][Pick(static_cast<int>(s["portGroups"].size()))]["name"];
    }
  }
  return "none";
}

std::string Picks::SwitchNamed(const Json& host, char initial) {
  std::vector<std::string> names;
  for (const Json& s : host["switches"]) {
    if (s["name"].get<std::string>()[0] == initial) names.push_back(s["name"]);
  }
  return names.empty() ? std::string(1, initial) : names[Pick(static_cast<int>(names.size()))];
}

void Tools::Load(const Json& document) const {
  CommandOutput load = Host({"load", "-"}, document.dump());
  if (load.status != 0) throw std::runtime_error("ploncfg-host load failed: " + load.err);
}

Json Tools::Dump() const {
  CommandOutput dump = Host({"dump"});
  if (dump.status != 0) throw std::runtime_error("ploncfg-host dump failed: " + dump.err);
  return Json::parse(dump.out);
}

std::string ShowCommand(const Args& args) {
  std::string line;
  for (const std::string& arg : args) {
    line += (line.empty() ? "" : " ") + Json(arg).dump(-1, ' ', false, Json::error_handler_t::replace);
  }
  return line;
}

size_t ReportDifferences(const Json& want, const Json& got, const std::string& path,
                         std::ostream& out) {
  return Walk(want, got, path, out, 0);
}

std::string RunSql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    std::string report = std::string("cannot open: ") + sqlite3_errmsg(db);
    sqlite3_close(db);
    return report;
  }
  std::string report;
  for (const char* rest = sql.c_str(); *rest != '\0';) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, rest, -1, &st, &rest) != SQLITE_OK) {
      report += sql + ": " + sqlite3_errmsg(db) + "; ";
      break;
    }
    while (st != nullptr && sqlite3_step(st) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(st, 0);
      std::string row = text != nullptr ? reinterpret_cast<const char*>(text) : "";
      if (row != "ok") report += sqlite3_sql(st) + (": " + row) + "; ";
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return report;
}

Check::Check(int argc, char** argv, const char* usage, const std::string& prefix) {
  for (int i = 3; i + 1 < argc; i += 2) {
    char* end = nullptr;
    numbers_.emplace_back(argv[i] + 2, std::strtol(argv[i + 1], &end, 10));
    if (std::strncmp(argv[i], "--", 2) != 0 || *end != '\0') argc = 0;
  }
  if (argc < 3 || argc % 2 == 0) {
    std::cerr << "usage: " << argv[0] << " PLONCFG_VSWITCH PLONCFG_HOST " << usage << "\n";
    std::exit(2);
  }
  vswitch_ = argv[1];
  host_ = argv[2];
  const char* base = std::getenv("TMPDIR");
  folder_ = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/" + prefix + ".XXXXXX";
  if (mkdtemp(folder_.data()) == nullptr) throw std::runtime_error("mkdtemp " + folder_ + " failed");
  test_support::UseOwnHostSettings(folder_);
  if (long wait = Number("wait", -1); wait >= 0) {
    setenv("QUENTA_HOSTNET_WAIT", std::to_string(wait).c_str(), 1);
  }
}

long Check::Number(const std::string& name, long fallback) const {
  for (const auto& [key, value] : numbers_) {
    if (key == name) return value;
  }
  return fallback;
}

int Check::Finish(bool kept) const {
  if (!kept) {
    std::cout << "files kept in " << folder_ << "\n";
    return 1;
  }
  std::filesystem::remove_all(folder_);
  return 0;
}
