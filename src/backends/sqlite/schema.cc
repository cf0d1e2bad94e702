#include "backends/sqlite/schema.h"

namespace sqlite_host {


// Host order is insertion order: INTEGER PRIMARY KEY ids and position columns.
// Uplink lists may hold pnics only, through their foreign keys.
const char* const kSchemaSql = R"sql(
CREATE TABLE host (
  id INTEGER PRIMARY KEY CHECK (id = 1),
  ens_activate_node INTEGER NOT NULL DEFAULT 0 CHECK (ens_activate_node BETWEEN 0 AND 4294967295)
);
CREATE TABLE pnics (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE CHECK (name <> '')
);
CREATE TABLE switches (
  id INTEGER PRIMARY KEY,
  kind INTEGER NOT NULL CHECK (kind IN (0, 1, 2)),
  name TEXT NOT NULL UNIQUE CHECK (name <> ''),
  running INTEGER NOT NULL DEFAULT 1 CHECK (running IN (0, 1)),
  system INTEGER NOT NULL DEFAULT 0 CHECK (system IN (0, 1)),
  num_ports INTEGER NOT NULL CHECK (num_ports BETWEEN 0 AND 4294967295),
  used_ports INTEGER NOT NULL DEFAULT 0 CHECK (used_ports BETWEEN 0 AND 4294967295),
  configured_ports INTEGER NOT NULL CHECK (configured_ports BETWEEN 0 AND 4294967295),
  mtu INTEGER NOT NULL DEFAULT 1500 CHECK (mtu BETWEEN 0 AND 65535),
  cdp INTEGER NOT NULL DEFAULT 1 CHECK (cdp BETWEEN 0 AND 3),
  order_set INTEGER NOT NULL DEFAULT 0 CHECK (order_set IN (0, 1)),
  max_active INTEGER NOT NULL DEFAULT 0 CHECK (max_active BETWEEN -2147483648 AND 2147483647),
  ens_active INTEGER NOT NULL DEFAULT 0 CHECK (ens_active IN (0, 1)),
  ens_interrupt INTEGER NOT NULL DEFAULT 0 CHECK (ens_interrupt IN (0, 1)),
  ens_fast_switch INTEGER NOT NULL DEFAULT 0 CHECK (ens_fast_switch IN (0, 1)),
  reassociations INTEGER NOT NULL DEFAULT 0,
  forced_reassociations INTEGER NOT NULL DEFAULT 0,
  dvs_name TEXT NOT NULL DEFAULT '',
  uuid TEXT NOT NULL DEFAULT '',
  impl_class TEXT NOT NULL DEFAULT '',
  version INTEGER NOT NULL DEFAULT 0 CHECK (version BETWEEN 0 AND 4294967295),
  switch_id TEXT NOT NULL DEFAULT ''
);
CREATE INDEX switches_by_kind ON switches (kind, running);
CREATE INDEX switches_by_switch_id ON switches (switch_id);
CREATE TABLE switch_uplinks (
  switch_id INTEGER NOT NULL REFERENCES switches (id) ON DELETE CASCADE,
  list INTEGER NOT NULL CHECK (list IN (0, 1, 2, 3)),
  position INTEGER NOT NULL,
  pnic TEXT NOT NULL REFERENCES pnics (name),
  PRIMARY KEY (switch_id, list, position),
  UNIQUE (switch_id, list, pnic)
) WITHOUT ROWID;
CREATE UNIQUE INDEX one_link_per_pnic ON switch_uplinks (pnic) WHERE list = 0;
CREATE TABLE port_groups (
  id INTEGER PRIMARY KEY,
  switch_id INTEGER NOT NULL REFERENCES switches (id) ON DELETE CASCADE,
  name TEXT NOT NULL UNIQUE CHECK (name <> ''),
  vlan INTEGER NOT NULL DEFAULT 0 CHECK (vlan BETWEEN 0 AND 4095),
  ports INTEGER NOT NULL DEFAULT 0 CHECK (ports BETWEEN 0 AND 4294967295),
  order_set INTEGER NOT NULL DEFAULT 0 CHECK (order_set IN (0, 1)),
  max_active INTEGER NOT NULL DEFAULT 0 CHECK (max_active BETWEEN -2147483648 AND 2147483647)
);
CREATE INDEX port_groups_by_switch ON port_groups (switch_id);
CREATE TABLE port_group_order (
  port_group_id INTEGER NOT NULL REFERENCES port_groups (id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  pnic TEXT NOT NULL REFERENCES pnics (name),
  PRIMARY KEY (port_group_id, position),
  UNIQUE (port_group_id, pnic)
) WITHOUT ROWID;
CREATE TABLE dvports (
  id INTEGER PRIMARY KEY,
  switch_id INTEGER NOT NULL REFERENCES switches (id) ON DELETE CASCADE,
  port_id TEXT NOT NULL CHECK (port_id <> ''),
  connection_id INTEGER NOT NULL DEFAULT 0 CHECK (connection_id BETWEEN 0 AND 4294967295),
  test_events INTEGER NOT NULL DEFAULT 0,
  UNIQUE (switch_id, port_id)
);
CREATE TABLE dvport_clients (
  dvport_id INTEGER NOT NULL REFERENCES dvports (id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  client TEXT NOT NULL,
  PRIMARY KEY (dvport_id, position)
) WITHOUT ROWID;
CREATE TABLE dvport_uplinks (
  dvport_id INTEGER NOT NULL REFERENCES dvports (id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  pnic TEXT NOT NULL REFERENCES pnics (name),
  PRIMARY KEY (dvport_id, position),
  UNIQUE (dvport_id, pnic)
) WITHOUT ROWID;
CREATE TABLE uplink_timeouts (
  id INTEGER PRIMARY KEY,
  portset TEXT NOT NULL,
  uplink TEXT NOT NULL,
  lag_id INTEGER NOT NULL CHECK (lag_id BETWEEN 0 AND 4294967295),
  timeout INTEGER NOT NULL CHECK (timeout BETWEEN 0 AND 255),
  loaded INTEGER NOT NULL DEFAULT 0 CHECK (loaded IN (0, 1))
);
CREATE TABLE lag_timeouts (
  id INTEGER PRIMARY KEY,
  portset TEXT NOT NULL,
  lag_id INTEGER NOT NULL CHECK (lag_id BETWEEN 0 AND 4294967295),
  timeout INTEGER NOT NULL CHECK (timeout BETWEEN 0 AND 255),
  loaded INTEGER NOT NULL DEFAULT 0 CHECK (loaded IN (0, 1))
);
CREATE TABLE faults (
  id INTEGER PRIMARY KEY,
  op TEXT NOT NULL CHECK (op <> ''),
  target TEXT,
  message TEXT NOT NULL,
  times INTEGER CHECK (times IS NULL OR times > 0),
  status INTEGER CHECK (status IS NULL OR status <> 0)
);
INSERT INTO host (id) VALUES (1);
)sql";

const char* const kClearHostSql = R"sql(
DELETE FROM dvport_uplinks;
DELETE FROM dvport_clients;
DELETE FROM dvports;
DELETE FROM port_group_order;
DELETE FROM port_groups;
DELETE FROM switch_uplinks;
DELETE FROM switches;
DELETE FROM pnics;
DELETE FROM uplink_timeouts;
DELETE FROM lag_timeouts;
DELETE FROM faults;
UPDATE host SET ens_activate_node = 0;
)sql";

}  // namespace sqlite_host
