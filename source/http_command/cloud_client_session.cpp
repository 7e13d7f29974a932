// CloudClient: the signed-in session (token refresh, device list, dev-config).
#include <QDebug>

#include "http_command/SnapshotRequestThread.h"
#include "http_command/cloud_bodies.h"
#include "http_command/cloud_client.h"
#include "http_command/device_container.h"
#include "http_command/json_fields.h"
#include "http_command/log_mask.h"
#include "http_command/record_parsing.h"
#include "http_command/signin.h"

namespace {

// The code of a refresh reply whose account was signed in on another device.
constexpr int kSignedInElsewhere = 1011;

bool hasNumber(const cJSON* object, const char* key) {
  return cJSON_IsNumber(cJSON_GetObjectItemCaseSensitive(object, key));
}

}  // namespace

void CloudClient::startSession(std::shared_ptr<Signin> tokens) {
  tokens_ = std::move(tokens);
  sessionActive_ = true;
  firstRefreshDone_ = false;
  signOutAnnounced_ = false;
  devConfigDone_ = false;
  device_.reset();
  refreshRetry_.reset();
  deviceListRetry_.reset();
  devConfigRetry_.reset();
}

void CloudClient::requestRefresh() {
  if (!sessionActive_ || !tokens_) {
    qDebug() << "HTTP_refershToken: no session";
    return;
  }
  if (refreshInFlight_) {
    qDebug() << "HTTP_refershToken: a refresh is on its way already";
    return;
  }
  const QString agent = agentToken();
  qDebug() << "agentToken (HTTP_refershToken):" << agent;
  refreshInFlight_ = postCall(
      CloudCall::RefreshToken, uacUrl(),
      refreshBody(agent, tokens_->get_accessToken(), tokens_->get_refreshToken()), refreshRetry_);
}

bool CloudClient::applyRefreshedTokens(const cJSON* result) {
  bool changed = false;
  using Getter = QString (Signin::*)();
  using Setter = void (Signin::*)(const QString&);
  const struct {
    const char* key;
    Getter get;
    Setter set;
  } texts[] = {{"accessToken", &Signin::get_accessToken, &Signin::set_accessToken},
               {"refreshToken", &Signin::get_refreshToken, &Signin::set_refreshToken},
               {"signToken", &Signin::get_signToken, &Signin::set_signToken}};
  using IntGetter = int (Signin::*)();
  using IntSetter = void (Signin::*)(const int&);
  const struct {
    const char* key;
    IntGetter get;
    IntSetter set;
  } numbers[] = {{"accessExpiresIn", &Signin::get_accessExpiresIn, &Signin::set_accessExpiresIn},
                 {"refreshExpiresIn", &Signin::get_refreshExpiresIn,
                  &Signin::set_refreshExpiresIn}};
  Signin& store = *tokens_;
  // In the reply's order: accessToken, refreshToken, the two lifetimes, signToken.
  auto text = [&](int i) {
    if (!json_string(result, texts[i].key)) return;
    const QString now = json_text(result, texts[i].key);
    const QString old = (store.*texts[i].get)();
    if (now == old) return;
    qDebug() << texts[i].key << "changed:" << maskSecret(old) << "->" << maskSecret(now);
    (store.*texts[i].set)(now);
    changed = true;
  };
  auto number = [&](int i) {
    if (!hasNumber(result, numbers[i].key)) return;
    const int now = json_int(result, numbers[i].key);
    const int old = (store.*numbers[i].get)();
    if (now == old) return;
    qDebug() << numbers[i].key << "changed:" << old << "->" << now;
    (store.*numbers[i].set)(now);
    changed = true;
  };
  text(0);
  text(1);
  number(0);
  number(1);
  text(2);
  return changed;
}

void CloudClient::refreshReply(QNetworkReply* reply) {
  if (reply == refreshInFlight_) refreshInFlight_ = nullptr;
  const std::optional<CloudReply> r = takeReply(reply, CloudCall::RefreshToken);
  if (!r) return;
  if (!r->arrived() || !r->hasStatus()) {
    return attemptFailed(CloudCall::RefreshToken, refreshRetry_,
                         r->arrived() ? QStringLiteral("no status") : r->failure());
  }
  refreshRetry_.succeeded();
  if (r->statusOk()) {
    const bool changed = applyRefreshedTokens(r->result());
    if (!firstRefreshDone_) return firstRefreshStep();
    if (changed) {
      qDebug() << "tokens refreshed; agent digest" << tokens_->get_macDigest();
      refreshTimerStop();
      refreshTimerStart();
    }
    return;
  }
  if (r->code() == kSignedInElsewhere) {
    qDebug() << "The userName was logged in by another device ";
    // The session ends here: no device list, no further refresh.
    if (!signOutAnnounced_) {
      signOutAnnounced_ = true;
      refreshTimerStop();
      otherPlaceTimerStop();
      emit signedOutElsewhere();
    }
    return;
  }
  if (!firstRefreshDone_) firstRefreshStep();
}

void CloudClient::firstRefreshStep() {
  firstRefreshDone_ = true;
  requestDeviceList();
  refreshTimerStart();
  otherPlaceTimerStart();
}

void CloudClient::requestDeviceList() {
  if (!sessionActive_ || !tokens_) return;
  postCall(CloudCall::DeviceList, uacUrl(), deviceListBody(tokens_->get_accessToken()),
           deviceListRetry_);
}

void CloudClient::deviceListReply(QNetworkReply* reply) {
  const std::optional<CloudReply> r = takeReply(reply, CloudCall::DeviceList);
  if (!r) return;
  if (!r->arrived()) return attemptFailed(CloudCall::DeviceList, deviceListRetry_, r->failure());
  if (!r->statusOk()) {
    deviceListRetry_.succeeded();
    qDebug() << "deviceListHandler status :" << r->status();
    qDebug() << "deviceListHandler message :" << r->message();
    return;
  }
  if (!json_array(r->result(), "conDevices")) {
    return attemptFailed(CloudCall::DeviceList, deviceListRetry_,
                         QStringLiteral("no result.conDevices"));
  }
  deviceListRetry_.succeeded();
  if (device_) {
    qDebug() << "deviceListHandler: the device list of this session is there already";
    return;
  }
  device_ = std::make_unique<Device>();
  device_->devlist = Device_list_fromResult(r->result());
  for (const Con_device* c : *device_->devlist->conDevices) {
    qDebug() << "devicelist  get " << c->deviceId;
  }
  emit deviceContainerReady(device_.get());
  requestDevConfig();
}

void CloudClient::requestDevConfig() {
  if (!sessionActive_ || !tokens_ || !device_ || !device_->devlist) return;
  const QList<Con_device*>& devices = *device_->devlist->conDevices;
  qDebug() << "HTTP_devConfig list size:" << devices.size();
  for (const Con_device* c : devices) qDebug() << "device add " << c->deviceId;
  postCall(CloudCall::DevConfig, entryUrl_, devConfigBody(tokens_->get_accessToken(), devices),
           devConfigRetry_);
}

void CloudClient::devConfigReply(QNetworkReply* reply) {
  const std::optional<CloudReply> r = takeReply(reply, CloudCall::DevConfig);
  if (!r) return;
  if (!r->arrived()) return attemptFailed(CloudCall::DevConfig, devConfigRetry_, r->failure());
  devConfigRetry_.succeeded();
  if (!r->statusOk()) {
    qDebug() << "deviceListHandler status :" << r->status();
    qDebug() << "deviceListHandler message :" << r->message();
    return;
  }
  if (devConfigDone_ || !device_) {
    qDebug() << "devConfigHandler: nothing to do";
    return;
  }
  devConfigDone_ = true;
  device_->devConfigList.append(Dev_config_listFromResult(r->result()));
  startSnapshots();
  emit devConfigReady();
  qDebug() << " emit  localPictureLoad_singnal  ";
}

void CloudClient::startSnapshots() {
  if (!snapshotThread_ || !device_ || !device_->devlist) return;
  SnapshotJob job;
  job.uacUrl = uacUrl();
  job.tokens = tokens_;
  for (const Con_device* c : *device_->devlist->conDevices) job.deviceIds << c->deviceId;
  snapshotThread_->startRequests(job);
}
