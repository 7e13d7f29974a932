#include "http_command/cloud_call.h"

namespace {

// The three steps of a sign-in give up after this many failures in a row and
// hand the dialog back to the user; everything else keeps trying, backing off.
constexpr int kSigninGiveUp = 5;

const CloudCallInfo kCalls[] = {
    {"HTTP_Startup", CloudBase::Entry, "/api/v1/app-startup", nullptr, "zh", true, kSigninGiveUp},
    {"HTTP_challenge", CloudBase::Uac, "/v1/challenge", nullptr, "zh", true, kSigninGiveUp},
    {"HTTP_signin", CloudBase::Uac, "/v1/signin", nullptr, "zh;q=1.0", true, kSigninGiveUp},
    {"HTTP_refershToken", CloudBase::Uac, "/v1/refresh-token", nullptr, "zh", true, 0},
    {"HTTP_deviceList", CloudBase::Uac, "/v2/device-list", "/api/v2/device-list", "zh", true, 0},
    {"HTTP_devConfig", CloudBase::Entry, "/api/v1/dev-config", "/api/v1/dev-config", "zh", true,
     0},
    {"HTTP_snapshot", CloudBase::Uac, "/v1/snapshot", "/api/v1/snapshot", "zh", false, 0},
    {"HTTP_fetchinfos", CloudBase::Gateway, "/v1/fetch-infos", "/api/v1/fetch-infos", "zh", true,
     0},
    {"HTTP_signout", CloudBase::Uac, "/v1/signout", nullptr, "zh", false, 0},
};

}  // namespace

const CloudCallInfo& cloudCallInfo(CloudCall call) { return kCalls[static_cast<int>(call)]; }

QUrl cloudCallUrl(CloudCall call, const QString& base) {
  QString b = base.trimmed();
  while (b.endsWith(QLatin1Char('/'))) b.chop(1);
  if (b.isEmpty()) return QUrl();
  return QUrl(b + QLatin1String(cloudCallInfo(call).path));
}
