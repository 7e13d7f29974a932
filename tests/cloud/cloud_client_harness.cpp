#include "cloud_client_harness.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace {

using ReplySlot = void (CloudClient::*)(QNetworkReply*);

struct Wire {
  CloudCall call;
  ReplySlot slot;
};

const Wire kWires[] = {
    {CloudCall::AppStartup, &CloudClient::appConfigReply},
    {CloudCall::Challenge, &CloudClient::challengeReply},
    {CloudCall::Signin, &CloudClient::signinReply},
    {CloudCall::RefreshToken, &CloudClient::refreshReply},
    {CloudCall::DeviceList, &CloudClient::deviceListReply},
    {CloudCall::DevConfig, &CloudClient::devConfigReply},
    {CloudCall::Signout, &CloudClient::signoutReply},
};

}  // namespace

ClientHarness::ClientHarness(const QString& entryUrl, const ManagerFactory& makeManager)
    : client(entryUrl) {
  for (const Wire& w : kWires) {
    managers_.push_back(makeManager());
    QNetworkAccessManager* m = managers_.back().get();
    client.attachManager(w.call, m);
    QObject::connect(m, &QNetworkAccessManager::finished, &client, w.slot);
    const int index = static_cast<int>(w.call);
    QObject::connect(m, &QNetworkAccessManager::finished, [this, index] { ++replies_[index]; });
  }
  client.attachTokenTimers(&refreshTimer, &otherPlaceTimer);
  client.attachSnapshotThread(&snapshots);
  QObject::connect(&refreshTimer, &QTimer::timeout, &client, &CloudClient::requestRefresh);
  QObject::connect(&otherPlaceTimer, &QTimer::timeout, &client, &CloudClient::requestRefresh);
  QObject::connect(&client, &CloudClient::signedIn, [this] { ++signedInCount; });
  QObject::connect(&client, &CloudClient::signinFailed,
                   [this](const QString& message) { failures << message; });
  QObject::connect(&client, &CloudClient::deviceContainerReady, [this] { ++deviceReadyCount; });
  QObject::connect(&client, &CloudClient::devConfigReady, [this] { ++devConfigReadyCount; });
  QObject::connect(&client, &CloudClient::signedOutElsewhere, [this] {
    ++signedOutElsewhereCount;
    client.signOut();
  });
}

ClientHarness::~ClientHarness() {
  client.abandonSignin();
  snapshots.stopRequests();
}

void ClientHarness::startSignin(const QString& user, const QString& password) {
  challenge.username = user;
  challenge.password = password;
  client.beginSignin(&challenge, QStringLiteral("02:00:00:aa:bb:cc"));
}

bool ClientHarness::signIn(const QString& user, const QString& password, int limitMs) {
  const int signedBefore = signedInCount;
  const int failedBefore = failures.size();
  startSignin(user, password);
  waitFor([&] { return signedInCount > signedBefore || failures.size() > failedBefore; }, limitMs);
  return signedInCount > signedBefore;
}

bool ClientHarness::loadDevices(int limitMs) {
  const int before = devConfigReadyCount;
  client.requestRefresh();
  return waitFor([&] { return devConfigReadyCount > before; }, limitMs);
}

bool ClientHarness::waitFor(const std::function<bool()>& done, int limitMs) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < limitMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return done();
}
