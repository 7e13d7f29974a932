// MainWindow: the cloud requests (thin callers of the cloud protocol object),
// their reply slots and random_string, and the two token timers, started
// and stopped by the cloud protocol object (interval from the access
// token's lifetime, clamped), both feeding refreshToken_timer_Hander.
#include <QDebug>
#include <QNetworkReply>
#include <QTimer>

#include "http_command/cloud_client.h"
#include "http_command/cloud_config.h"
#include "http_command/signin_box.h"
#include "http_command/SnapshotRequestThread.h"
#include "mainwindow.h"
#include "view/LoginWindow.h"

CloudClient& MainWindow::cloud() {
  if (cloudClient_) return *cloudClient_;
  // The program entry applied the configuration (and its CA) before the
  // first sign-in; here only the entry URL is read again.
  CloudConfig config;
  QString why;
  if (!cloud_config::load(config, &why)) qCritical() << "cloud configuration error:" << why;
  cloudClient_ = new CloudClient(config.entryUrl, this);
  CloudClient& c = *cloudClient_;
  c.attachManager(CloudCall::AppStartup, appConfigManager);
  c.attachManager(CloudCall::RefreshToken, refreshTokenManager);
  c.attachManager(CloudCall::DeviceList, deviceListManager);
  c.attachManager(CloudCall::DevConfig, devConfigManager);
  c.attachManager(CloudCall::Signout, snapshotManager);  // the sign-out rides on this one
  c.attachTokenTimers(refreshToken_timer, loginOtherPlace_timer);
  c.attachSnapshotThread(snapshotRequestThread);
  connect(&c, &CloudClient::appConfigReady, this, [this] { appConfig = cloud().appConfig(); });
  connect(&c, &CloudClient::deviceContainerReady, this, [this](Device* d) { device = d; });
  connect(&c, &CloudClient::devConfigReady, this, [this] { emit localPictureLoad_singnal(); });
  connect(&c, &CloudClient::signedOutElsewhere, this, [this] { emit user_singout(); });
  // No empty window without a word: the camera list is on its way, failing
  // or refused (the user can wait or sign out).
  connect(&c, &CloudClient::signedIn, this, [this] {
    listNotices_.sessionStarted();
    showListNotice();
  });
  connect(&c, &CloudClient::cameraListFailed, this, [this](bool retrying) {
    listNotices_.cameraListFailed(retrying);
    showListNotice();
  });
  return c;
}

namespace {

// A slot reached without a reply (a stray emission) logs and does nothing.
bool hasReply(const QNetworkReply* reply, const char* slot) {
  if (!reply) qDebug() << slot << "without a reply";
  return reply != nullptr;
}

}  // namespace

void MainWindow::HTTP_Startup() {
  cloud().beginSignin(challenge, loginwindow ? loginwindow->macText : QString());
}

void MainWindow::HTTP_deviceList() { cloud().requestDeviceList(); }

void MainWindow::HTTP_devConfig() { cloud().requestDevConfig(); }

void MainWindow::HTTP_signout() {
  cloud().signOut();
  device = nullptr;  // freed with the session
}

void MainWindow::HTTP_refershToken() { cloud().requestRefresh(); }

QString MainWindow::random_string(int len) { return ::random_string(len); }

void MainWindow::HTTP_appConfigHandler(QNetworkReply* reply) {
  if (hasReply(reply, "HTTP_appConfigHandler")) cloud().appConfigReply(reply);
}

void MainWindow::HTTP_deviceListHandler(QNetworkReply* reply) {
  if (hasReply(reply, "HTTP_deviceListHandler")) cloud().deviceListReply(reply);
}

void MainWindow::HTTP_refershTokenHandler(QNetworkReply* reply) {
  if (!hasReply(reply, "HTTP_refershTokenHandler")) return;
  cloud().refreshReply(reply);
  firstRefresh_done = cloud().firstRefreshDone() ? 1 : 0;
}

void MainWindow::HTTP_devConfigHandler(QNetworkReply* reply) {
  if (hasReply(reply, "HTTP_devConfigHandler")) cloud().devConfigReply(reply);
}

void MainWindow::HTTP_snapshotHandler(QNetworkReply* reply) {
  if (hasReply(reply, "HTTP_snapshotHandler")) cloud().signoutReply(reply);
}

// Wired to nothing that runs: a reply that ever came here is only released.
namespace {
void releaseUnused(QNetworkReply* reply, const char* slot) {
  if (hasReply(reply, slot)) reply->deleteLater();
}
}  // namespace

void MainWindow::HTTP_is_LANHandler(QNetworkReply* reply) {
  releaseUnused(reply, "HTTP_is_LANHandler");
}

void MainWindow::HTTP_liveSecTokenHandler(QNetworkReply* reply) {
  releaseUnused(reply, "HTTP_liveSecTokenHandler");
}

void MainWindow::HTTP_signoutHandler(QNetworkReply* reply) {
  releaseUnused(reply, "HTTP_signoutHandler");
}

void MainWindow::refreshToken_timer_Start() { cloud().refreshTimerStart(); }

void MainWindow::refreshToken_timer_Stop() { cloud().refreshTimerStop(); }

void MainWindow::loginOtherPlace_timer_Start() { cloud().otherPlaceTimerStart(); }

void MainWindow::loginOtherPlace_timer_Stop() { cloud().otherPlaceTimerStop(); }

void MainWindow::refreshToken_timer_Hander() {
  qDebug() << "refreshToken_timer_Hander";
  HTTP_refershToken();
}

void MainWindow::loginOtherPlace_timer_Hander() {
  qDebug() << "loginOtherPlace_timer_Hander";
  HTTP_refershToken();
}
