// CloudClient: the signed-in session (token refresh, device list, dev-config).
#include <QDebug>
#include <optional>

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

// A member of the refresh reply's result, when it is there with its type.
std::optional<QString> textMember(const cJSON* result, const char* key) {
  if (!json_string(result, key)) return std::nullopt;
  return json_text(result, key);
}

std::optional<int> numberMember(const cJSON* result, const char* key) {
  if (!cJSON_IsNumber(cJSON_GetObjectItemCaseSensitive(result, key))) return std::nullopt;
  return json_int(result, key);
}

QString shown(const QString& secret) { return maskSecret(secret); }
int shown(int number) { return number; }

// Writes a member that is present and differs from the stored value; true
// when it did. Texts are logged masked.
template <typename T>
bool refreshMember(Signin& store, const char* key, const std::optional<T>& now,
                   T (Signin::*get)(), void (Signin::*set)(const T&)) {
  if (!now) return false;
  const T old = (store.*get)();
  if (*now == old) return false;
  qDebug() << key << "changed:" << shown(old) << "->" << shown(*now);
  (store.*set)(*now);
  return true;
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
  Signin& store = *tokens_;
  bool changed = false;
  // In the reply's order: the two tokens, the two lifetimes, the signing key.
  changed |= refreshMember(store, "accessToken", textMember(result, "accessToken"),
                           &Signin::get_accessToken, &Signin::set_accessToken);
  changed |= refreshMember(store, "refreshToken", textMember(result, "refreshToken"),
                           &Signin::get_refreshToken, &Signin::set_refreshToken);
  changed |= refreshMember(store, "accessExpiresIn", numberMember(result, "accessExpiresIn"),
                           &Signin::get_accessExpiresIn, &Signin::set_accessExpiresIn);
  changed |= refreshMember(store, "refreshExpiresIn", numberMember(result, "refreshExpiresIn"),
                           &Signin::get_refreshExpiresIn, &Signin::set_refreshExpiresIn);
  changed |= refreshMember(store, "signToken", textMember(result, "signToken"),
                           &Signin::get_signToken, &Signin::set_signToken);
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
    emit cameraListFailed(false);
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
    emit cameraListFailed(false);
    return;
  }
  // Without "devices" the reply adds nothing; "devices" of another kind is
  // a reply of the wrong shape, sent for again.
  const cJSON* devices = cJSON_GetObjectItemCaseSensitive(r->result(), "devices");
  if (devices && !cJSON_IsArray(devices)) {
    return attemptFailed(CloudCall::DevConfig, devConfigRetry_,
                         QStringLiteral("result.devices is not an array"));
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
