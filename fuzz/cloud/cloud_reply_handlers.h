// Every handler of a cloud reply that reads reply text, for the reply
// fuzz target. A handler gets the reply body exactly as the network gave it
// and does with it what the client does on that reply. New cloud calls add
// their reply handler here.
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
