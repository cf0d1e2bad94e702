// The floor of our design: the least a program can do for each kind of
// invocation against the host database.
//   bench_floor read DB NAME   open, one indexed SELECT of a switch by name
//   bench_floor write DB       open, one committed INSERT (WAL, synchronous=FULL),
//                              then the log checkpointed into the database file,
//                              as a run of the tool that changed the host does
//   bench_floor list DB        open, one joined query of switches and port
//                              groups, printed as the listing's lines, each
//                              handed to the kernel when it ends, as the
//                              tool does
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int Fail(sqlite3* db) {
  std::fprintf(stderr, "bench_floor: %s\n", sqlite3_errmsg(db));
  sqlite3_close(db);
  return 1;
}

int Read(sqlite3* db, const char* name) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT id, num_ports, mtu FROM switches WHERE name = ?1", -1, &stmt,
                         nullptr) != SQLITE_OK) {
    return Fail(db);
  }
  sqlite3_bind_text(stmt, 1, name, -1, SQLITE_STATIC);
  int found = sqlite3_step(stmt) == SQLITE_ROW;
  sqlite3_finalize(stmt);
  std::printf("%d\n", found);
  return 0;
}

int Write(sqlite3* db) {
  if (sqlite3_exec(db,
                   "PRAGMA synchronous=FULL;"
                   "INSERT INTO uplink_timeouts (portset, uplink, lag_id, timeout) "
                   "VALUES ('bench-floor', 'up0', 0, 0)",
                   nullptr, nullptr, nullptr) != SQLITE_OK) {
    return Fail(db);
  }
  sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  return 0;
}

int List(sqlite3* db) {
  std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  sqlite3_stmt* stmt = nullptr;
  const char* sql =
      "SELECT s.id, s.name, s.num_ports, s.used_ports, s.configured_ports, s.mtu, p.name, p.vlan, "
      "p.ports FROM switches s LEFT JOIN port_groups p ON p.switch_id = s.id "
      "WHERE s.kind = 0 AND s.running = 1 AND s.system = 0 ORDER BY s.id, p.id";
  if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) return Fail(db);
  sqlite3_int64 current = -1;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    sqlite3_int64 id = sqlite3_column_int64(stmt, 0);
    if (id != current) {
      if (current != -1) std::fputs("\n", stdout);
      current = id;
      std::printf("%-15s%-2s%-12s%-12s%-18s%-8s%-10s\n", "Switch Name", " ", "Num Ports",
                  "Used Ports", "Configured Ports", "MTU", "Uplinks");
      std::printf("%-15s%-2s%-12lld%-12lld%-18lld%-8lld%-10s\n\n",
                  reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)), " ",
                  sqlite3_column_int64(stmt, 2), sqlite3_column_int64(stmt, 3),
                  sqlite3_column_int64(stmt, 4), sqlite3_column_int64(stmt, 5), "");
      std::printf("%-2s%-40s%-2s%-9s%-12s%-10s\n", " ", "PortGroup Name", " ", "VLAN ID",
                  "Used Ports", "Uplinks");
    }
    if (sqlite3_column_type(stmt, 6) != SQLITE_NULL) {
      std::printf("%-2s%-40s%-2s%-9lld%-12lld%-10s\n", " ",
                  reinterpret_cast<const char*>(sqlite3_column_text(stmt, 6)), " ",
                  sqlite3_column_int64(stmt, 7), sqlite3_column_int64(stmt, 8), "");
    }
  }
  if (current != -1) std::fputs("\n", stdout);
  sqlite3_finalize(stmt);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_floor read DB NAME | write DB | list DB\n");
    return 2;
  }
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(argv[2], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return Fail(db);
  sqlite3_busy_timeout(db, 5000);
  int status = 2;
  if (std::strcmp(argv[1], "read") == 0 && argc > 3) status = Read(db, argv[3]);
  if (std::strcmp(argv[1], "write") == 0) status = Write(db);
  if (std::strcmp(argv[1], "list") == 0) status = List(db);
  sqlite3_close(db);
  return status;
}
