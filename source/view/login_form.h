// The sign-in dialog's decisions, without a window: what the typed inputs
// give (or which message refuses them), what a remembered login puts back
// into the form, and forgetting stored passwords when remember-me is off.
#pragma once

#include <QList>
#include <QString>

struct UserLocalConfig;

enum LoginMode { kLoginByEmail = 0, kLoginByPhone = 1 };

struct LoginInput {
  QString message;        // empty: accepted; else the text of the "login" message box
  QString challengeName;  // the name sent to the cloud (phone: padded code + number)
  QString userName;       // names the user folder and the remembered user
  QString password;
  QString prefix;         // phone mode: the padded country code ("0086")
};

// Trims the inputs; an empty name gives "User name is empty !!!", then an
// empty password "Password is empty !!!". In phone mode the cloud name is
// countryCodePrefix(countryCode, knownCodes) followed by the number.
LoginInput checkLoginInput(int mode, const QString& emailText, const QString& phoneText,
                           const QString& passwordText, int countryCode,
                           const QList<int>& knownCodes);

struct RestoredLogin {
  bool remembered = false;  // the form is filled from the file
  int mode = kLoginByEmail;
  QString emailUserName;
  QString phoneUserName;
  QString password;
  int countryCode = 0;
  QString prefixText;   // "+86" when the code is in the table, else empty (label unchanged)
  int countryIndex = -1;  // the table entry of the code (first match), -1 for none
};

// What a remembered login puts back: nothing unless remeberUser is 1; the
// e-mail or phone fields of the stored login mode (any mode but 1 is the
// e-mail mode), and for the phone mode the country's prefix text and entry.
RestoredLogin restoreLogin(const UserLocalConfig& config, const QList<int>& countryCodes);

// The prefix label of a chosen code: "+" and the code.
QString countryPrefixText(int code);

// Remember-me off: the user's config.json keeps its user names but no
// password, and remeberUser 0. Nothing happens without a file. True when
// the file now holds no password.
bool forgetStoredPasswords(const QString& userName);
