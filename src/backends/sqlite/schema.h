#ifndef BACKENDS_SQLITE_SCHEMA_H_
#define BACKENDS_SQLITE_SCHEMA_H_

#include <cstdint>

// The tables of the host database and the version stamped on them.
namespace sqlite_host {

// PRAGMA user_version: the format of the records (hostnet/records_format.h).
// Builds before format 3 wrote 1 for formats 1 and 2, whose tables are these;
// from format 3 on it is the format of the build that wrote last, stamped by
// every change.
constexpr int64_t kFirstUserVersion = 1;

// Which list of a switch a switch_uplinks row belongs to.
enum class UplinkList : int64_t {
  kLinked = 0,    // pnics linked to a running standard switch
  kConfig = 1,    // pnics the stored configuration records for it
  kOrder = 2,     // the switch teaming policy's uplink order
  kAttached = 3,  // uplinks of a DVSwitch or an opaque switch
};

// Statements that create every table and index, for an empty database.
extern const char* const kSchemaSql;
// Statements that empty every table of the host.
extern const char* const kClearHostSql;

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_SCHEMA_H_
