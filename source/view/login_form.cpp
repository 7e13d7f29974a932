#include "view/login_form.h"

#include "util_class/country_prefix.h"
#include "util_class/user_local_config.h"

LoginInput checkLoginInput(int mode, const QString& emailText, const QString& phoneText,
                           const QString& passwordText, int countryCode,
                           const QList<int>& knownCodes) {
  LoginInput in;
  const QString name = (mode == kLoginByPhone ? phoneText : emailText).trimmed();
  if (name.isEmpty()) {
    in.message = QStringLiteral("User name is empty !!!");
    return in;
  }
  in.password = passwordText.trimmed();
  if (in.password.isEmpty()) {
    in.message = QStringLiteral("Password is empty !!!");
    return in;
  }
  in.userName = name;
  in.challengeName = name;
  if (mode == kLoginByPhone) {
    in.prefix = countryCodePrefix(countryCode, knownCodes);
    in.challengeName = in.prefix + name;
  }
  return in;
}

QString countryPrefixText(int code) { return QStringLiteral("+") + QString::number(code); }

RestoredLogin restoreLogin(const UserLocalConfig& config, const QList<int>& countryCodes) {
  RestoredLogin r;
  r.countryCode = config.countryCode;
  if (config.remeberUser != 1) return r;
  r.remembered = true;
  if (config.loginMode == kLoginByPhone) {
    r.mode = kLoginByPhone;
    r.phoneUserName = config.phoneUserName;
    r.password = config.phonePassWord;
    r.countryIndex = countryCodes.indexOf(config.countryCode);
    if (r.countryIndex >= 0) r.prefixText = countryPrefixText(config.countryCode);
  } else {
    r.emailUserName = config.emailUserName;
    r.password = config.emailPassWord;
  }
  return r;
}

bool forgetStoredPasswords(const QString& userName) {
  UserLocalConfig c;
  if (userName.isEmpty() || !readConfigFileFromUsername(userName, c)) return false;
  if (c.emailPassWord.isEmpty() && c.phonePassWord.isEmpty() && c.remeberUser == 0) return true;
  return writeConfigFileUserinfo(userName, c.emailUserName, QString(), c.phoneUserName, QString(),
                                 c.countryCode, 0, c.loginMode);
}
