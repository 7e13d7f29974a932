// oneWindowDevice: the camera's fetch-infos request to its gateway (the
// access key, capabilities, network settings and streams), its answer, and
// the tile thumbnail the cloud serves at the camera's snapshotUrl.
#include <QDebug>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "device/camera_records.h"
#include "device/OneWindowDevice.h"
#include "device/thumbnail_file.h"
#include "event/shell.h"
#include "http_command/cloud_bodies.h"
#include "http_command/cloud_client.h"
#include "http_command/device_container.h"
#include "http_command/fetch_infos.h"
#include "http_command/http_request.h"
#include "http_command/record_parsing.h"

void oneWindowDevice::send_fetchInfo_instruct() {
  const Dev_config* config =
      camera_records::devConfigFor(shell().deviceRecords(), deviceId);
  if (!config || config->gatewayUrl.trimmed().isEmpty()) {
    // Nothing to post to: no request goes to a bare path.
    if (!noDevConfigLogged_) qDebug() << deviceId << "fetch-infos: no device configuration yet";
    noDevConfigLogged_ = true;
    return;
  }
  noDevConfigLogged_ = false;
  qDebug() << "HTTP_fetchinfos" << deviceId << config->gatewayUrl;
  CloudClient* cloud = shell().cloudClient();
  QNetworkReply* reply = cloud ? cloud->post(cloud->cameraNetwork(), CloudCall::FetchInfos, config->gatewayUrl,
                                             fetchInfosBody(deviceId))
                               : nullptr;
  if (!reply) {
    if (fetchInfosRetry_.failed())
      qDebug() << "HTTP_fetchinfos not sent; again in" << fetchInfosRetry_.lastDelay() << "ms";
    return;
  }
  answerTo(reply, &oneWindowDevice::fecthInfoManager_Handler);
}

void oneWindowDevice::answerTo(QNetworkReply* reply, void (oneWindowDevice::*handler)(QNetworkReply*)) {
  // The camera's calls share the account's manager: each reply is the
  // camera's own (it goes with the camera, unfinished or not) and comes to
  // the handler of its kind.
  reply->setParent(this);
  connect(reply, &QNetworkReply::finished, this, [this, reply, handler] { (this->*handler)(reply); });
}

void oneWindowDevice::fecthInfoManager_Handler(QNetworkReply* reply) {
  if (!reply) return;
  CloudClient* cloud = shell().cloudClient();
  if (!cloud) {
    reply->deleteLater();
    return;
  }
  // Read and released here, whatever it holds; a reply of a session that
  // has ended since is dropped.
  const std::optional<CloudReply> r = cloud->takeReply(reply, CloudCall::FetchInfos);
  if (!r) return;
  if (!r->arrived()) {
    qDebug() << "http instruct err HTTP_fetchinfosHandler !!!" << r->failure();
    if (fetchInfosRetry_.failed())
      qDebug() << "HTTP_fetchinfos again in" << fetchInfosRetry_.lastDelay() << "ms";
    return;
  }
  fetchInfosRetry_.succeeded();
  if (!r->statusOk()) {
    qDebug() << "HTTP_fetchinfosHandler status :" << r->status();
    qDebug() << "HTTP_fetchinfosHandler message :" << r->message();
    return;
  }
  Device* device = shell().deviceRecords();
  if (!device) {
    qDebug() << "HTTP_fetchinfosHandler: no device container";
    return;
  }
  device->fetchInfosList.append(FetchInfos_listFromResult(r->result()));
  capability_init();
  P2P_connect_ahead_Thread_timer_start();
  qDebug() << "connect to p2p server";
  send_download_instruct();
}

void oneWindowDevice::send_download_instruct() {
  const Device* device = shell().deviceRecords();
  for (const FetchInfos* f : camera_records::fetchInfosFor(device, deviceId)) {
    if (f->snapshotUrl.isEmpty()) continue;
    const QUrl url(f->snapshotUrl);
    if (!thumbnail_file::isFetchableUrl(url)) {
      qDebug() << deviceId << "snapshot url not fetched (http and https only):" << f->snapshotUrl;
      continue;
    }
    QNetworkRequest request(url);
    request.setSslConfiguration(HTTP_sslConfiguration());
    CloudClient* cloud = shell().cloudClient();
    if (!cloud) return;
    answerTo(cloud->cameraNetwork().get(request),
             &oneWindowDevice::snapshotDownload_downLoadHttp_Handler);
    qDebug() << "http snapshort get request : " << url.toString();
  }
}

void oneWindowDevice::snapshotDownload_downLoadHttp_Handler(QNetworkReply* reply) {
  if (!reply) return;
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const QNetworkReply::NetworkError error = reply->error();
  const QByteArray body = reply->read(thumbnail_file::kMaxThumbnailBytes + 1);
  reply->abort();
  reply->deleteLater();
  qDebug() << "snapshot_download_Handler http response status: " << status;
  if (status != 200) {
    qDebug() << "snapshot download:" << body.size() << "bytes not used";
    return;
  }
  if (error != QNetworkReply::NoError) {
    qDebug() << "reply->error:" << error << "http instruct err !!!";
    return;
  }
  refreshSaveFolders();
  const QString path = thumbnailFilePath();
  QString why;
  bool notStored = false;
  if (!thumbnail_file::save(path, body, &why, &notStored)) {
    qDebug() << "snapshot dowoload picture not stored:" << why;
    if (notStored) shell().notifyStoredFileRefused(StoredFileNotices::Notice::PictureNotStored);
    return;
  }
  qDebug() << "snapshot dowoload picture " << path;
  update_device_picture();
}
