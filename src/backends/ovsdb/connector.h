#ifndef BACKENDS_OVSDB_CONNECTOR_H_
#define BACKENDS_OVSDB_CONNECTOR_H_

#include <memory>
#include <string>

#include "backends/ovsdb/client.h"
#include "backends/ovsdb/stream.h"

namespace ovsdb {

// How a Database reaches the server it talks to: one remote, or the member
// of a cluster that leads it. Each call makes a new connection.
class Connector {
 public:
  virtual ~Connector() = default;

  // A new connection, ready for requests, made by deadline at the latest.
  // Throws Quorvic::Lib::QuorvicException of kind kUnreachable naming the
  // server and why it could not be reached.
  virtual std::unique_ptr<Client> Connect(Deadline deadline) = 0;
  // The server as messages name it: "the switch database at unix:PATH".
  virtual std::string Describe() const = 0;
};

}  // namespace ovsdb

#endif  // BACKENDS_OVSDB_CONNECTOR_H_
