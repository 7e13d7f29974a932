#include "view/LoginWindow.h"

#include <QDebug>
#include <QEvent>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QMessageBox>
#include <QMovie>
#include <QNetworkInterface>
#include <QPixmap>
#include <QPushButton>

#include "adapter_hardWare/AdapterHardware.h"
#include "event/shell.h"
#include "event/signin_host.h"
#include "http_command/cloud_client.h"
#include "http_command/cloud_records.h"
#include "util_class/app_paths.h"
#include "util_class/country_prefix.h"
#include "util_class/user_local_config.h"
#include "view/CountryCodeWindow.h"
#include "view/login_form.h"
#include "view/text_fit.h"

namespace {

const char* const kGreen = "color:#68BF39;border:none";
const char* const kBlack = "color:#000000;border:none";
const char* const kEditStyle =
    "QLineEdit{border:2px solid black;} QLineEdit:focus{border:2px solid rgb(104, 191, 57);}";

int sx(double v) { return adapterHardware.sx(v); }
int sy(double v) { return adapterHardware.sy(v); }

void place(QWidget* w, int x, int y, int width, int height) {
  w->setGeometry(sx(x), sy(y), sx(width), sy(height));
}

// The hardware address of the last valid network interface (empty for none).
QString lastInterfaceMac() {
  QString mac;
  for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
    if (i.isValid()) mac = i.hardwareAddress();
  }
  return mac;
}

}  // namespace

// ---- LoginWindowInput --------------------------------------------------------

namespace {
// The frame of the phone input alone (a bare declaration would also frame
// its label and line edit).
const char* const kInputFrame = "#phoneInput{border:2px solid black;}";
const char* const kInputFrameFocus = "#phoneInput{border:2px solid rgb(104, 191, 57);}";
}  // namespace

LoginWindowInput::LoginWindowInput(int width, int height) : QWidget(nullptr) {
  setObjectName("phoneInput");
  setAttribute(Qt::WA_StyledBackground);
  setContentsMargins(0, 0, 0, 0);
  setStyleSheet(kInputFrame);
  layout.setContentsMargins(0, 0, 0, 0);
  resize(width, height);
  lineEdit.setFixedHeight(height);
  lineEdit.setTextMargins(5, 5, 5, 5);
  // Transparent, or the edit (as high as the input) would paint over the frame.
  lineEdit.setStyleSheet("border:none;background:transparent");
  setLayout(&layout);
  layout.addWidget(&prefixLabel);
  layout.addWidget(&lineEdit);
  prefixLabel.setText("+ ");
  prefixLabel.setContentsMargins(10, 0, 0, 0);
  prefixLabel.setStyleSheet("border:none");
  layout.installEventFilter(this);
  lineEdit.installEventFilter(this);
  prefixLabel.installEventFilter(this);
}

void LoginWindowInput::setPrefixText(QString text) { prefixLabel.setText(text); }

bool LoginWindowInput::eventFilter(QObject* obj, QEvent* event) {
  if (event->type() == QEvent::FocusIn) setStyleSheet(kInputFrameFocus);
  if (event->type() == QEvent::FocusOut) setStyleSheet(kInputFrame);
  return QObject::eventFilter(obj, event);
}

// ---- LoginWindow -------------------------------------------------------------

LoginWindow::LoginWindow() : QDialog(nullptr), challenge(std::make_unique<Challenge>()) {
  buildWidgets();
  setWindowTitle(shell().programTitle());
  loginMode = kLoginByEmail;
  showCountryName(QStringLiteral("country"));
  readUserPwdInfile();
  setFixedSize(sx(640), sy(880));

  connect(loginButton, SIGNAL(clicked()), this, SLOT(LoginBtnClicked()));
  connect(&challengeManager, SIGNAL(finished(QNetworkReply*)), this,
          SLOT(HTTP_challengeHander(QNetworkReply*)));
  connect(&signinManager, SIGNAL(finished(QNetworkReply*)), this,
          SLOT(HTTP_signinHander(QNetworkReply*)));
  connect(remeberButton, SIGNAL(clicked()), this, SLOT(remeberButton_Hander()));
  connect(countryButton, SIGNAL(clicked()), this, SLOT(countryButton_Hander()));
  connect(emailLoginWayButton, SIGNAL(clicked()), this, SLOT(emailLoginWayButton_Hander()));
  connect(phoneLoginWayButton, SIGNAL(clicked()), this, SLOT(phoneLoginWayButton_Hander()));

  CloudClient& cloud = signinHost().signinCloud();
  cloud.attachManager(CloudCall::Challenge, &challengeManager);
  cloud.attachManager(CloudCall::Signin, &signinManager);
  connect(&cloud, &CloudClient::signedIn, this, [this](Signin* tokens) {
    tokenInfo = tokens;
    done(1);
  });
  connect(&cloud, &CloudClient::signinFailed, this, &LoginWindow::signinFailed);

  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  // Starting mode from what the configuration restored.
  const UserLocalConfig* stored = signinHost().storedLogin();
  const bool phone = stored && stored->loginMode == kLoginByPhone;
  showMode(phone ? kLoginByPhone : kLoginByEmail);
  QPalette pal = palette();
  pal.setBrush(QPalette::Window, QBrush(Qt::white));
  setPalette(pal);
}

LoginWindow::~LoginWindow() {
  qDebug() << "_______ ~LoginWindow";
  // Nothing of this dialog's sign-in runs on after it: no reply reaches a
  // half-destroyed dialog, no resend uses its managers.
  challengeManager.disconnect(this);
  signinManager.disconnect(this);
  signinHost().signinCloud().abandonSignin();
  signinHost().releaseChallenge(challenge.get());
  if (loadingMovie) loadingMovie->stop();
}

void LoginWindow::buildWidgets() {
  loginButton = new QPushButton(this);
  welcomeLabel = new QLabel(this);
  logoLabel = new QLabel(this);
  remeberLabel = new QLabel(this);
  remeberButton = new QPushButton(this);
  phoneLoginWayButton = new QPushButton(this);
  loadingLabel = new QLabel(this);
  loadingMovie = std::make_unique<QMovie>();
  emailEdit = new QLineEdit(this);
  passwordEdit = new QLineEdit(this);
  countryButton = new QPushButton(this);
  emailLoginWayButton = new QPushButton(this);
  phoneInput = new LoginWindowInput(sx(512), sy(88));
  phoneInput->setParent(this);

  const std::pair<QObject*, const char*> names[] = {
      {loginButton, "loginButton"},         {welcomeLabel, "welcomeLabel"},
      {logoLabel, "logoLabel"},             {remeberLabel, "remeberLabel"},
      {remeberButton, "remeberButton"},     {phoneLoginWayButton, "phoneLoginWayButton"},
      {loadingLabel, "loadingLabel"},       {emailEdit, "emailEdit"},
      {passwordEdit, "passwordEdit"},       {countryButton, "countryButton"},
      {emailLoginWayButton, "emailLoginWayButton"}, {phoneInput, "phoneInput"},
      {&phoneInput->lineEdit, "phoneEdit"}, {&phoneInput->prefixLabel, "prefixLabel"}};
  for (const auto& n : names) n.first->setObjectName(n.second);

  emailEdit->setClearButtonEnabled(true);
  passwordEdit->setClearButtonEnabled(true);
  phoneInput->lineEdit.setClearButtonEnabled(true);
  phoneInput->resize(sx(512), sy(88));
  phoneInput->move(sx(64), sy(375));
  phoneInput->lineEdit.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  phoneInput->lineEdit.setPlaceholderText("username");
  emailEdit->resize(sx(512), sy(88));
  emailEdit->move(sx(64), sy(375));
  emailEdit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  emailEdit->setPlaceholderText("username");
  phoneInput->hide();
  emailEdit->hide();
  emailEdit->setStyleSheet(kEditStyle);
  passwordEdit->setStyleSheet(kEditStyle);

  QFont font;
  font.setWeight(50);
  font.setPixelSize(sx(28));
  countryButton->setFont(font);
  place(countryButton, 399, 45, 175, 32);
  countryButton->setStyleSheet(kGreen);

  logoLabel->resize(sx(114), sy(96));
  logoLabel->move(sx(263), sy(80));
  logoLabel->setPixmap(QPixmap::fromImage(
      QImage(app_paths::picture("ic_logo.png"))
          .scaled(sx(114), sy(96), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));

  font.setWeight(75);
  font.setPixelSize(sx(32));
  welcomeLabel->setFont(font);
  place(welcomeLabel, 0, 200, 640, 45);
  welcomeLabel->setText("Welcome to Orvanta");
  welcomeLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  welcomeLabel->setStyleSheet("color:#223239;");

  font.setWeight(50);
  font.setPixelSize(sx(24));
  emailLoginWayButton->setFont(font);
  place(emailLoginWayButton, 64, 282, 64, 32);
  text_fit::fitButton(*emailLoginWayButton, QStringLiteral("Email"), sx(24));
  phoneLoginWayButton->setFont(font);
  place(phoneLoginWayButton, 407, 282, 169, 32);
  text_fit::fitButton(*phoneLoginWayButton, QStringLiteral("Phone number"), sx(24));

  passwordEdit->resize(sx(512), sy(80));
  passwordEdit->move(sx(64), sy(487));
  passwordEdit->setEchoMode(QLineEdit::Password);
  passwordEdit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  passwordEdit->setPlaceholderText("password");

  font.setPixelSize(sx(28));
  loginButton->setFont(font);
  place(loginButton, 64, 655, 512, 80);
  loginButton->setText("Sign in");
  loginButton->setStyleSheet("background-color:#68BF39;color:#FFFFFF;border:none");

  remeberButton->resize(sx(32), sy(32));
  remeberButton->move(sx(66), sy(769));
  remeberButton->setIconSize(QSize(sx(32), sy(32)));
  remeberButton->setStyleSheet("border:none");
  setRememberIcon(false);

  QFont pointFont;
  pointFont.setWeight(50);
  pointFont.setPointSize(std::max(1, sx(24)));
  remeberLabel->setFont(pointFont);
  place(remeberLabel, 113, 765, 313, 32);
  remeberLabel->setText("remember me");
  remeberLabel->setAlignment(Qt::AlignVCenter);

  const int w = sx(640);
  const int h = w * 240 / 512;
  loadingLabel->setGeometry(0, sy(375), w, h);
  loadingMovie->setFileName(app_paths::picture("login.gif"));
  loadingMovie->setScaledSize(QSize(w, h));
  loadingLabel->setMovie(loadingMovie.get());
  loadingLabel->hide();
}

void LoginWindow::setRememberIcon(bool selected) {
  remeberButton->setIcon(QIcon(app_paths::picture(
      selected ? "icon_remeber_selected.png" : "icon_remeber_unselected.png")));
  remeberButton->setIconSize(QSize(sx(32), sy(32)));
  remeberButton->setStyleSheet("border:none");
}

QList<int> LoginWindow::countryCodes() const {
  QList<int> codes;
  if (const CountryCodeList* table = shell().countryTable()) {
    for (const CountryCode* c : *table) codes << c->code;
  }
  return codes;
}

void LoginWindow::readUserPwdInfile() {
  SigninHost& host = signinHost();
  // Each dialog starts with remember-me off, unless the last user's login
  // says otherwise.
  host.setRemember(false);
  const QString userName = host.lastUser();
  if (userName.isEmpty()) {
    qDebug() << "lastLogin not rember userName and passWord ";
    return;
  }
  const UserLocalConfig* config = host.openUser(userName);
  if (!config) return;
  const RestoredLogin r = restoreLogin(*config, countryCodes());
  countryCode = r.countryCode;
  host.setRemember(r.remembered);
  if (!r.remembered) return;
  loginMode = r.mode;
  passwordEdit->setText(r.password);
  if (r.mode == kLoginByPhone) {
    phoneInput->lineEdit.setText(r.phoneUserName);
    if (r.countryIndex >= 0) {
      phoneInput->setPrefixText(r.prefixText);
      showCountryName(shell().countryTable()->at(r.countryIndex)->en);
    }
  } else {
    emailEdit->setText(r.emailUserName);
  }
  remeberRestored = true;
  setRememberIcon(true);
}

Challenge* LoginWindow::getChallenge() { return challenge.get(); }

Signin* LoginWindow::getTokenInfo() { return tokenInfo; }

void LoginWindow::showMode(int mode) {
  const bool phone = mode == kLoginByPhone;
  countryButton->setVisible(phone);
  emailLoginWayButton->setStyleSheet(phone ? kBlack : kGreen);
  phoneLoginWayButton->setStyleSheet(phone ? kGreen : kBlack);
  phoneInput->setVisible(phone);
  emailEdit->setVisible(!phone);
  loginMode = mode;
}

void LoginWindow::emailLoginWayButton_Hander() {
  if (signinHost().signinRunning()) return;
  showMode(kLoginByEmail);
  if (const UserLocalConfig* c = signinHost().storedLogin()) {
    emailEdit->setText(c->emailUserName);
    passwordEdit->setText(c->emailPassWord);
  }
}

void LoginWindow::phoneLoginWayButton_Hander() {
  if (signinHost().signinRunning()) return;
  showMode(kLoginByPhone);
  if (const UserLocalConfig* c = signinHost().storedLogin()) {
    if (countryCodes().contains(c->countryCode)) {
      phoneInput->setPrefixText(countryPrefixText(c->countryCode));
    }
    phoneInput->lineEdit.setText(c->phoneUserName);
    passwordEdit->setText(c->phonePassWord);
  }
}

void LoginWindow::UserEditPhoneTextChanged_Handler(QString) {}

void LoginWindow::countryButton_Hander() {
  if (signinHost().signinRunning()) return;
  if (loginMode != kLoginByPhone) {
    qDebug() << "countryButton_Hander: e-mail mode";
    return;
  }
  CountryCodeWindow picker(this);
  picker.exec();
}

void LoginWindow::setCountry(int code, const QString& englishName) {
  phoneInput->setPrefixText(countryPrefixText(code));
  countryCode = code;
  if (!englishName.isEmpty()) showCountryName(englishName);
}

void LoginWindow::showCountryName(const QString& name) {
  // Country names are long and the button is not: smaller, or cut.
  text_fit::fitButton(*countryButton, name, sx(28));
}

void LoginWindow::remeberButton_Hander() {
  SigninHost& host = signinHost();
  host.setRemember(!host.remember());
  setRememberIcon(host.remember());
  // No plain-text password stays behind once the user said "don't remember".
  if (!host.remember()) forgetPasswords(host.lastUser());
}

void LoginWindow::forgetPasswords(const QString& user) {
  // A file that is there and keeps its passwords: the user is told.
  if (!forgetStoredPasswords(user) && QFile::exists(userConfigFilePath(user)))
    signinHost().storedLoginNotSaved(user);
}

void LoginWindow::showLoginLoading() {
  loadingLabel->show();
  loadingMovie->start();
  for (QWidget* w : {static_cast<QWidget*>(emailEdit), static_cast<QWidget*>(phoneInput),
                     static_cast<QWidget*>(passwordEdit),
                     static_cast<QWidget*>(emailLoginWayButton),
                     static_cast<QWidget*>(phoneLoginWayButton),
                     static_cast<QWidget*>(loginButton), static_cast<QWidget*>(remeberLabel),
                     static_cast<QWidget*>(remeberButton)}) {
    w->hide();
  }
}

void LoginWindow::hideLoginLoading() {
  loadingLabel->hide();
  loadingMovie->stop();
  passwordEdit->show();
  emailEdit->setVisible(loginMode != kLoginByPhone);
  phoneInput->setVisible(loginMode == kLoginByPhone);
  for (QWidget* w : {static_cast<QWidget*>(emailLoginWayButton),
                     static_cast<QWidget*>(phoneLoginWayButton),
                     static_cast<QWidget*>(loginButton), static_cast<QWidget*>(remeberLabel),
                     static_cast<QWidget*>(remeberButton)}) {
    w->show();
  }
}

void LoginWindow::appendCountryCodePrefix(int code, QString& out) {
  out += countryCodePrefix(code, countryCodes());
}

void LoginWindow::LoginBtnClicked() {
  showLoginLoading();
  SigninHost& host = signinHost();
  if (host.signinRunning()) {
    qDebug() << "loginButton clicked already , wait ";
    return;
  }
  if (loginClicked) {
    qDebug() << "login button clicked already wait for a moment";
    return;
  }
  loginClicked = true;
  macText = lastInterfaceMac();
  challenge->username.clear();
  challenge->password.clear();

  const LoginInput in = checkLoginInput(loginMode, emailEdit->text(), phoneInput->lineEdit.text(),
                                        passwordEdit->text(), countryCode, countryCodes());
  if (!in.message.isEmpty()) {
    loginClicked = false;
    QMessageBox::information(this, "login", in.message, QMessageBox::Ok);
    hideLoginLoading();
    return;
  }
  challenge->username = in.challengeName;
  challenge->password = in.password;
  QString user = in.userName;
  if (loginMode == kLoginByPhone) qDebug() << "userNameCoutryCode :" << in.prefix;
  qDebug() << "this login way:" << loginMode;
  qDebug() << "this login name:" << challenge->username;

  host.beginSignin(user);

  if (!host.remember()) {
    host.forgetLastUser();
    forgetPasswords(user);
    return;
  }
  UserLocalConfig login;
  login.loginMode = loginMode;
  if (loginMode == kLoginByPhone) {
    login.phoneUserName = user;
    login.phonePassWord = in.password;
  } else {
    login.emailUserName = user;
    login.emailPassWord = in.password;
  }
  login.countryCode = countryCode;
  login.remeberUser = 1;
  host.rememberSignin(user, login);
}

void LoginWindow::signinFailed(const QString& message) {
  signinHost().signinEnded();
  QMessageBox::information(this, "login", message, QMessageBox::Ok);
  hideLoginLoading();
  loginClicked = false;
}

void LoginWindow::HTTP_challenge(QString username, QString macText) {
  signinHost().signinCloud().requestChallenge(username, macText);
}

void LoginWindow::HTTP_challengeHander(QNetworkReply* reply) {
  signinHost().signinCloud().challengeReply(reply);
}

void LoginWindow::HTTP_signin(Challenge*) { signinHost().signinCloud().requestSignin(); }

void LoginWindow::HTTP_signinHander(QNetworkReply* reply) { signinHost().signinCloud().signinReply(reply); }
