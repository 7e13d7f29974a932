#include "fake_cloud_manager.h"

#include <QTimer>
#include <algorithm>
#include <cstring>

namespace {

class FakeReply : public QNetworkReply {
 public:
  FakeReply(QNetworkAccessManager::Operation op, const QNetworkRequest& request,
            const FakeAnswer& answer, QObject* parent)
      : QNetworkReply(parent), body_(answer.body) {
    setOperation(op);
    setRequest(request);
    setUrl(request.url());
    if (answer.status > 0) setAttribute(QNetworkRequest::HttpStatusCodeAttribute, answer.status);
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    setProperty("fakeBody", answer.body);
    const QNetworkReply::NetworkError error = answer.error;
    // The reply's own timer: a reply destroyed before its time leaves nothing behind.
    auto* due = new QTimer(this);
    due->setSingleShot(true);
    due->start(answer.delayMs);
    connect(due, &QTimer::timeout, this, [this, error] {
      if (error != QNetworkReply::NoError) {
        setError(error, QStringLiteral("simulated transport error"));
        emit errorOccurred(error);
      }
      emit metaDataChanged();
      if (!body_.isEmpty()) emit readyRead();
      setFinished(true);
      emit finished();
    });
  }

  void abort() override {}
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override {
    return (body_.size() - offset_) + QIODevice::bytesAvailable();
  }

 protected:
  qint64 readData(char* data, qint64 maxSize) override {
    const qint64 n = std::min<qint64>(maxSize, body_.size() - offset_);
    if (n <= 0) return -1;
    std::memcpy(data, body_.constData() + offset_, static_cast<size_t>(n));
    offset_ += n;
    return n;
  }

 private:
  QByteArray body_;
  qint64 offset_ = 0;
};

}  // namespace

int countRequests(const QList<FakeRequest>& log, const QString& pathSuffix) {
  return static_cast<int>(std::count_if(log.begin(), log.end(),
                                        [&](const FakeRequest& r) {
                                          return r.path.endsWith(pathSuffix);
                                        }));
}

QNetworkReply* FakeCloudManager::createRequest(Operation op, const QNetworkRequest& request,
                                               QIODevice* outgoingData) {
  FakeRequest recorded;
  recorded.path = request.url().path();
  for (const QByteArray& name : request.rawHeaderList()) {
    recorded.headers.append({name, request.rawHeader(name)});
  }
  if (outgoingData) recorded.body = outgoingData->readAll();
  log_->append(recorded);
  return new FakeReply(op, request, answer_(recorded), this);
}
