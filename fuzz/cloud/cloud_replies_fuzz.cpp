// Every cloud reply handler on arbitrary reply text (see
// cloud_reply_handlers.h for the table).
#include <QByteArray>

#include "cloud_reply_handlers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray text(reinterpret_cast<const char*>(data), int(size));
  for (const fuzzcloud::ReplyHandler* h = fuzzcloud::replyHandlers(); h->name != nullptr; ++h) h->handle(text);
  return 0;
}
