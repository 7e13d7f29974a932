#include "http_command/request_context.h"

#include <QDateTime>
#include <QHostInfo>
#include <QLocale>
#include <mutex>

namespace {

std::mutex& contextMutex() {
  static std::mutex m;
  return m;
}

RequestContext& current() {
  static RequestContext c;
  return c;
}

}  // namespace

namespace request_context {

RequestContext fromSystem() {
  RequestContext c;
  c.systemLocale = QLocale::system().bcp47Name();
  c.localtz = QDateTime::currentDateTime().offsetFromUtc() / 60;
  c.machineName = QHostInfo::localHostName();
  return c;
}

void set(const RequestContext& context) {
  std::lock_guard<std::mutex> lock(contextMutex());
  current() = context;
}

RequestContext get() {
  std::lock_guard<std::mutex> lock(contextMutex());
  return current();
}

}  // namespace request_context
