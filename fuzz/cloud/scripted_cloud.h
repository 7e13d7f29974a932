// The cloud of the cloud client fuzz target: one answer per request, read
// from the fuzz input at the moment the request is made (HTTP status,
// transport error, lateness and body: raw bytes, the call's good reply with
// its "status" as the input says, or a token reply), until the input ends or
// the run stops it. And what the rules go by, read from a reply with cJSON
// alone (not with the client's own reading).
#pragma once

#include <QByteArray>
#include <QNetworkReply>

#include "fake_cloud_manager.h"
#include "fuzz_bytes.h"

namespace fuzzcloud {

constexpr int kNeverMs = 24 * 3600 * 1000;  // a reply that never comes (within a run)

class ScriptedCloud {
 public:
  explicit ScriptedCloud(fuzzsupport::FuzzBytes& in) : in_(in) {}

  // The answer to `request`: FakeCloudManager's answer function.
  FakeAnswer answer(const FakeRequest& request);
  // From now on the cloud does not answer (the quiet end of a run).
  void stop() { stopped_ = true; }

 private:
  QByteArray rawBody();
  static QByteArray goodBody(const QString& path, const char* status);

  fuzzsupport::FuzzBytes& in_;
  bool stopped_ = false;
};

// What the rules go by.
struct ReplyFacts {
  bool arrived = false;  // HTTP 200 without a transport error
  bool statusOk = false;  // a top-level "status" that is "ok"
  int code = 0;
};

// `reply` must come from FakeCloudManager (its body is read from "fakeBody",
// so the handler still gets it whole).
ReplyFacts factsOf(const QNetworkReply* reply);

}  // namespace fuzzcloud
