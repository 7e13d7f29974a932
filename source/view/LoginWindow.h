// LoginWindow: the modal sign-in dialog the program entry runs before the
// main window is shown, once per pass of the sign-in loop. Two modes (e-mail,
// or phone number with a country code), a password, remember-me, and the
// sign-in button, which starts the cloud sign-in; the last remembered login
// is restored. Its decisions live in login_form.h; the cloud protocol in
// http_command/cloud_client.h. A successful sign-in ends it with done(1).
#pragma once

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QString>
#include <memory>

class QMovie;
class QNetworkReply;
class QPushButton;
struct Challenge;
class Signin;

// The framed phone-number input with its "+" prefix label.
class LoginWindowInput : public QWidget {
 public:
  LoginWindowInput(int width, int height);
  void setPrefixText(QString text);

  QHBoxLayout layout;
  QLabel prefixLabel;
  QLineEdit lineEdit;

 protected:
  bool eventFilter(QObject* obj, QEvent* event) override;
};

class LoginWindow : public QDialog {
  Q_OBJECT

 public:
  LoginWindow();
  ~LoginWindow() override;

  void readUserPwdInfile();
  Challenge* getChallenge();
  Signin* getTokenInfo();
  void showLoginLoading();
  void hideLoginLoading();
  void appendCountryCodePrefix(int code, QString& out);
  void HTTP_challenge(QString username, QString macText);
  void HTTP_signin(Challenge* challenge);
  // The country picker's choice: the code and the prefix label "+code";
  // a name given becomes the country button's text.
  void setCountry(int code, const QString& englishName = QString());

  QPushButton* loginButton = nullptr;
  QLabel* welcomeLabel = nullptr;
  QLabel* logoLabel = nullptr;
  QLabel* remeberLabel = nullptr;
  QPushButton* remeberButton = nullptr;
  QPushButton* phoneLoginWayButton = nullptr;
  QLabel* loadingLabel = nullptr;
  std::unique_ptr<QMovie> loadingMovie;
  QNetworkAccessManager challengeManager;
  QNetworkAccessManager signinManager;
  std::unique_ptr<Challenge> challenge;
  int loginMode = 0;
  int countryCode = 0;
  bool loginClicked = false;
  LoginWindowInput* phoneInput = nullptr;
  QLineEdit* emailEdit = nullptr;
  QLineEdit* passwordEdit = nullptr;
  bool remeberRestored = false;
  QPushButton* countryButton = nullptr;
  QPushButton* emailLoginWayButton = nullptr;
  Signin* tokenInfo = nullptr;  // the cloud client's
  QString macText;

 public slots:
  void UserEditPhoneTextChanged_Handler(QString userName);
  void countryButton_Hander();
  void remeberButton_Hander();
  void LoginBtnClicked();
  void HTTP_signinHander(QNetworkReply* reply);
  void HTTP_challengeHander(QNetworkReply* reply);
  void emailLoginWayButton_Hander();
  void phoneLoginWayButton_Hander();

 private:
  void buildWidgets();
  void showMode(int mode);
  void setRememberIcon(bool selected);
  // Remember-me off: the user's stored passwords go (told when they cannot).
  void forgetPasswords(const QString& user);
  // The country button's text, fitted to the button.
  void showCountryName(const QString& name);
  void signinFailed(const QString& message);
  QList<int> countryCodes() const;
};
