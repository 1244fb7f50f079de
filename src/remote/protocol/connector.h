// A bidirectional channel that moves whole byte messages, one at a time.
#ifndef QUEX_SRC_REMOTE_PROTOCOL_CONNECTOR_H
#define QUEX_SRC_REMOTE_PROTOCOL_CONNECTOR_H

#include <cstddef>

namespace Remote {

class ConnectorListener {
public:
  virtual ~ConnectorListener() = default;
  // Called once per received message; `data` is valid only during the call.
  virtual void dataReceived(const void* data, size_t length) = 0;
  // A listener that would keep the message anyway may offer room for all of
  // it: the connector then gathers the message there, calls messageAssembled()
  // in place of dataReceived(), and no copy is made in between. Null: no room.
  virtual unsigned char* assemblyArea(size_t /*length*/) { return nullptr; }
  virtual void messageAssembled(size_t /*length*/) {}
};

class Connector {
public:
  virtual ~Connector() = default;
  // False when the channel is closed; throws RemoteException on a system failure.
  virtual bool send(const void* data, size_t length) = 0;
  // Waits for one message and hands it to every listener; false when closed.
  virtual bool receive() = 0;
  // Wakes this process's receiver and makes every later call fail.
  virtual void close() = 0;
  virtual void addListener(ConnectorListener* listener) = 0;
};

} // namespace Remote

#endif // QUEX_SRC_REMOTE_PROTOCOL_CONNECTOR_H
