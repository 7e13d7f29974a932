#include "view/UserWindow.h"

#include <QDebug>
#include <QFont>
#include <QIcon>

#include "adapter_hardWare/AdapterHardware.h"
#include "event/shell.h"
#include "http_command/cloud_client.h"
#include "util_class/app_paths.h"
#include "view/AboutWindow.h"

namespace {

QIcon menuIcon(const char* name) {
  return QIcon(app_paths::picture(QLatin1String(name)));
}

}  // namespace

UserWindow::UserWindow() : QDialog(nullptr) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setContentsMargins(0, 0, 0, 0);
  setFixedSize(adapterHardware.sx(416), adapterHardware.sy(240));
  QFont font = this->font();
  font.setPixelSize(adapterHardware.sx(22));

  struct Entry {
    QPushButton& button;
    const char* objectName;
    const char* icon;
    const char* text;
  };
  const Entry entries[] = {
      {userNameButton, "userNameButton", "ic_me_mid.png", ""},
      {aboutButton, "aboutButton", "ic_about.png", "about"},
      {signoutButton, "signoutButton", "ic_sign_out.png", "sign out"},
  };
  layout.setContentsMargins(0, 0, 0, 0);
  for (const Entry& e : entries) {
    e.button.setParent(this);
    e.button.setObjectName(QLatin1String(e.objectName));
    e.button.setIcon(menuIcon(e.icon));
    e.button.setFont(font);
    e.button.setStyleSheet(QStringLiteral("text-align:left;"));
    e.button.setText(QLatin1String(e.text));
    layout.addWidget(&e.button);
  }
  userNameButton.move(0, 0);
  setLayout(&layout);
  connect(&aboutButton, SIGNAL(clicked()), this, SLOT(about_button_hander()));
  connect(&signoutButton, SIGNAL(clicked()), this, SLOT(signout_button_hander()));
}

UserWindow::~UserWindow() {
  disconnect(&aboutButton, SIGNAL(clicked()), this, SLOT(about_button_hander()));
  disconnect(&signoutButton, SIGNAL(clicked()), this, SLOT(signout_button_hander()));
}

void UserWindow::set_userName(const QString& name) { userName = name; }

QString UserWindow::get_userName() const { return userName; }

void UserWindow::set_userNameButtonText(const QString& text) { userNameButton.setText(text); }

void UserWindow::about_button_hander() {
  AboutWindow about;
  about.exec();
}

void UserWindow::signout_button_hander() {
  // Whenever a session is active, also while its camera list is still
  // missing (failing, refused, slow): no screen is a dead end.
  CloudClient* cloud = shell().cloudClient();
  if (cloud && cloud->sessionActive()) {
    shell().notifySignOut();
  } else {
    qDebug() << " wait a moment singout agin";
  }
}
