#include "scripted_cloud.h"

#include <cJSON.h>

#include <QMap>
#include <cstring>
#include <vector>

#include "cloud_answers.h"

namespace fuzzcloud {

namespace {

const char* const kStatusVariants[] = {R"("status":"error")", R"("status":"OK")",  R"("status":null)",
                                       R"("status":"ok ")",   R"("status":1)",     R"("code":1011,"status":"error")",
                                       R"("nostatus":"ok")",  R"("status":"ok")"};

}  // namespace

FakeAnswer ScriptedCloud::answer(const FakeRequest& request) {
  FakeAnswer a;
  if (stopped_ || in_.empty()) {  // the cloud has stopped answering
    a.status = 0;
    a.delayMs = kNeverMs;
    return a;
  }
  static const int kStatuses[] = {200, 200, 200, 0, 500, 404, 502, -1};
  static const QNetworkReply::NetworkError kErrors[] = {
      QNetworkReply::NoError,          QNetworkReply::NoError,           QNetworkReply::NoError,
      QNetworkReply::RemoteHostClosedError, QNetworkReply::ConnectionRefusedError, QNetworkReply::TimeoutError,
      QNetworkReply::OperationCanceledError, QNetworkReply::SslHandshakeFailedError};
  static const int kDelays[] = {0, 0, 0, 0, 10, 1000, 60000, kNeverMs};
  const uint8_t shape = in_.byte();
  a.status = kStatuses[shape & 7];
  if (a.status < 0) a.status = in_.u16();
  a.error = kErrors[(shape >> 3) & 7];
  const uint8_t kind = in_.byte();
  a.delayMs = kDelays[kind & 7];
  switch ((kind >> 3) & 3) {
    case 0:
      a.body = rawBody();
      break;
    case 1:  // the good reply of the call, its status as the input says
      a.body = goodBody(request.path, kStatusVariants[(kind >> 5) & 7]);
      break;
    case 2:  // tokens, whatever the call
      a.body = tokenReply((kind & 0x20) ? "AT2" : "AT1", (kind & 0x40) ? "SK2" : "SK1",
                          (kind & 0x80) ? 400 : 7200);
      break;
    default:
      break;  // no body
  }
  return a;
}

QByteArray ScriptedCloud::rawBody() {
  const std::vector<uint8_t> bytes = in_.run(4096);
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size()));
}

QByteArray ScriptedCloud::goodBody(const QString& path, const char* status) {
  static const QMap<QString, QByteArray> good = goodCloudAnswers();
  for (auto it = good.begin(); it != good.end(); ++it) {
    if (path.endsWith(it.key())) {
      QByteArray body = it.value();
      return body.replace(QByteArray(R"("status":"ok")"), QByteArray(status));
    }
  }
  return QByteArray("{}");
}

ReplyFacts factsOf(const QNetworkReply* reply) {
  ReplyFacts f;
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  f.arrived = status == 200 && reply->error() == QNetworkReply::NoError;
  const QByteArray body = reply->property("fakeBody").toByteArray();
  cJSON* root = cJSON_ParseWithLength(body.constData(), size_t(body.size()));
  if (cJSON_IsObject(root)) {
    const cJSON* s = cJSON_GetObjectItemCaseSensitive(root, "status");
    f.statusOk = cJSON_IsString(s) && std::strcmp(s->valuestring, "ok") == 0;
    const cJSON* c = cJSON_GetObjectItemCaseSensitive(root, "code");
    if (cJSON_IsNumber(c)) f.code = c->valueint;
  }
  cJSON_Delete(root);
  return f;
}

}  // namespace fuzzcloud
