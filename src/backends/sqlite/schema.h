#ifndef BACKENDS_SQLITE_SCHEMA_H_
#define BACKENDS_SQLITE_SCHEMA_H_

#include <cstdint>

// The tables of the host database and the version stamped on them.
namespace sqlite_host {

// PRAGMA user_version of a database made by this schema.
constexpr int64_t kSchemaVersion = 1;

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
