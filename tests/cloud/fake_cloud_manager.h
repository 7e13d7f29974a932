// Test helper: a QNetworkAccessManager that never touches the network. Each
// posted request is recorded and answered (asynchronously, from the event
// loop, at once or after a delay) with what the test's answer function
// returns for its path: any HTTP status, transport error and body bytes, so
// reply handlers meet exactly the reply shapes a test names. A reply also
// carries its body as the property "fakeBody", for observers that must not
// read it before the handler does.
#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QString>
#include <functional>
#include <utility>

struct FakeAnswer {
  int status = 200;  // 0: no HTTP answer at all
  QNetworkReply::NetworkError error = QNetworkReply::NoError;
  QByteArray body;
  int delayMs = 0;  // the reply finishes this long after the request
};

struct FakeRequest {
  QString path;  // URL path
  QList<QPair<QByteArray, QByteArray>> headers;
  QByteArray body;
};

class FakeCloudManager : public QNetworkAccessManager {
 public:
  using AnswerFn = std::function<FakeAnswer(const FakeRequest&)>;

  // Every request is appended to `log` (shared by the managers of one test).
  FakeCloudManager(AnswerFn answer, QList<FakeRequest>* log)
      : answer_(std::move(answer)), log_(log) {}

 protected:
  QNetworkReply* createRequest(Operation op, const QNetworkRequest& request,
                               QIODevice* outgoingData) override;

 private:
  AnswerFn answer_;
  QList<FakeRequest>* log_;
};

// Requests in `log` whose path ends with `pathSuffix`.
int countRequests(const QList<FakeRequest>& log, const QString& pathSuffix);
