// The values every request envelope carries about this computer: the system
// locale, the UTC offset and the host name. The main window fills them once
// at start-up (before the first request); the builders read them from any
// thread.
#pragma once

#include <QString>

struct RequestContext {
  QString systemLocale;  // BCP 47 name, e.g. "en-US"
  int localtz = 0;       // minutes east of UTC
  QString machineName;   // host name
};

namespace request_context {

// The values of this computer right now (QLocale, QDateTime, QHostInfo).
RequestContext fromSystem();

void set(const RequestContext& context);
RequestContext get();

}  // namespace request_context
