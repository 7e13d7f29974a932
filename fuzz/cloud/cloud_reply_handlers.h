// Every reader of cloud reply text, for the reply fuzz target. A handler
// gets the reply body exactly as the network gave it and reads it as the
// client does. New cloud records add their reader here; the cloud protocol
// object's reply slots themselves (status, transport error, lateness and
// what follows a reply) are fuzzed by cloud_client_fuzz.cpp.
#pragma once

#include <QByteArray>

namespace fuzzcloud {

struct ReplyHandler {
  const char* name;
  void (*handle)(const QByteArray& replyText);
};

// The table, ended by an entry with a null name.
const ReplyHandler* replyHandlers();

}  // namespace fuzzcloud
