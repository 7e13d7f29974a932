// CloudClient: the three steps of a sign-in (app startup, challenge, sign-in).
#include <QCryptographicHash>
#include <QDebug>

#include "http_command/cloud_bodies.h"
#include "http_command/cloud_client.h"
#include "http_command/cloud_config.h"
#include "http_command/json_fields.h"
#include "http_command/log_mask.h"
#include "http_command/record_parsing.h"
#include "http_command/signin.h"
#include "http_command/signin_box.h"

namespace {

constexpr int kNonceChars = 24;

void logAppConfig(const App_config& c) {
  const std::pair<const char*, const QString*> fields[] = {
      {"uacUrl", &c.uacUrl},
      {"emcPortalUrl", &c.emcPortalUrl},
      {"capUrl", &c.capUrl},
      {"storePortalUrl", &c.storePortalUrl},
      {"agreementUrl", &c.agreementUrl},
      {"privacyUrl", &c.privacyUrl},
      {"cloudStorAgreementUrl", &c.cloudStorAgreementUrl},
      {"wanIp", &c.wanIp},
      {"country", &c.country},
      {"locale", &c.locale}};
  for (const auto& f : fields) {
    qDebug("____________________________ appConfig %s:%s", f.first,
           f.second->toUtf8().constData());
  }
}

}  // namespace

void CloudClient::resetSigninRetries() {
  appStartupRetry_.reset();
  challengeRetry_.reset();
  signinRetry_.reset();
}

void CloudClient::beginSignin(Challenge* challenge, const QString& macText) {
  // Nothing of an earlier, abandoned attempt may run on into this one.
  generation_.bump();
  resetSigninRetries();
  challenge_ = challenge;
  macText_ = macText;
  requestAppStartup();
}

void CloudClient::abandonSignin() {
  if (!challenge_) return;
  challenge_ = nullptr;
  resetSigninRetries();
  if (!sessionActive_) generation_.bump();
}

void CloudClient::failSignin(const QString& message) {
  resetSigninRetries();
  emit signinFailed(message);
}

void CloudClient::requestAppStartup() {
  postCall(CloudCall::AppStartup, entryUrl_, appStartupBody(), appStartupRetry_);
}

void CloudClient::appConfigReply(QNetworkReply* reply) {
  const std::optional<CloudReply> r = takeReply(reply, CloudCall::AppStartup);
  if (!r) return;
  if (!r->arrived()) return attemptFailed(CloudCall::AppStartup, appStartupRetry_, r->failure());
  // Used whatever its "status" says, as long as it carries the configuration.
  if (!json_object(r->result(), "appConfig")) {
    return attemptFailed(CloudCall::AppStartup, appStartupRetry_,
                         QStringLiteral("no result.appConfig"));
  }
  std::unique_ptr<App_config> config(App_config_fromReply(r->root()));
  QString why;
  if (!cloud_config::validateEntryUrl(config->uacUrl, &why)) {
    return attemptFailed(CloudCall::AppStartup, appStartupRetry_, QStringLiteral("uacUrl: ") + why);
  }
  appStartupRetry_.succeeded();
  appConfig_ = std::move(config);
  logAppConfig(*appConfig_);
  emit appConfigReady();
  if (challenge_) requestChallenge(challenge_->username, macText_);
}

void CloudClient::requestChallenge(const QString& username, const QString& macText) {
  if (!challenge_) return;
  macText_ = macText;
  const QString agent = agentToken();
  qDebug() << "agentToken (HTTP_challenge):" << agent;
  postCall(CloudCall::Challenge, uacUrl(), challengeBody(username, agent), challengeRetry_);
  challenge_->macDigest = QString::fromLatin1(
      QCryptographicHash::hash(macText.toUtf8(), QCryptographicHash::Md5).toHex());
}

void CloudClient::challengeReply(QNetworkReply* reply) {
  const std::optional<CloudReply> r = takeReply(reply, CloudCall::Challenge);
  if (!r || !challenge_) return;
  if (!r->arrived()) return attemptFailed(CloudCall::Challenge, challengeRetry_, r->failure());
  if (!r->statusOk()) qDebug() << "HTTP_challengeHander respose status not ok err !!!";
  Challenge_fillFromReply(*challenge_, r->root());
  qDebug() << "serverPubKey:" << challenge_->serverPubKey
           << "clientPubKey:" << challenge_->clientPubKey
           << "clientSecretKey:" << maskSecret(challenge_->clientSecretKey);
  if (challenge_->serverPubKey.isEmpty() || challenge_->clientSecretKey.isEmpty()) {
    // A refusal with its reason ends the attempt; keys lost on the way are asked for again.
    if (r->hasStatus() && !r->statusOk()) {
      const QString message = r->message();
      return failSignin(message.isEmpty() ? QString::fromLatin1(kSigninRefusedText) : message);
    }
    return attemptFailed(CloudCall::Challenge, challengeRetry_,
                         QStringLiteral("the challenge carries no keys"));
  }
  challengeRetry_.succeeded();
  requestSignin();
}

void CloudClient::requestSignin() {
  if (!challenge_) return;
  const QString nonce = random_string(kNonceChars);
  const SigninBox box = seal_signin_password(challenge_->password, challenge_->serverPubKey,
                                             challenge_->clientSecretKey, nonce);
  qDebug() << "crypto_box ret :" << box.boxResult;
  if (!box.ok) return failSignin(QStringLiteral("The password cannot be sent."));
  const QString agent = agentToken();
  qDebug() << "agentToken (HTTP_signin):" << agent;
  postCall(CloudCall::Signin, uacUrl(),
           signinBody(challenge_->username, box.password, box.nonce, agent), signinRetry_);
}

void CloudClient::signinReply(QNetworkReply* reply) {
  const std::optional<CloudReply> r = takeReply(reply, CloudCall::Signin);
  if (!r || !challenge_) return;
  if (!r->arrived()) return attemptFailed(CloudCall::Signin, signinRetry_, r->failure());
  if (!r->statusOk()) {
    qDebug() << "http instruct respose status not ok err !!!";
    // The cloud's JSON is UTF-8: its message is shown as such.
    const QString message = r->message();
    return failSignin(message.isEmpty() ? QString::fromLatin1(kSigninRefusedText) : message);
  }
  std::shared_ptr<Signin> tokens(Signin_fromResult(r->result(), challenge_->macDigest));
  if (tokens->get_accessToken().isEmpty() || tokens->get_refreshToken().isEmpty()) {
    return attemptFailed(CloudCall::Signin, signinRetry_,
                         QStringLiteral("the sign-in reply carries no tokens"));
  }
  resetSigninRetries();
  challenge_ = nullptr;
  startSession(std::move(tokens));
  emit signedIn(tokens_.get());
}
