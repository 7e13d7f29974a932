#include "view/UserWindow.h"

#include <QDebug>

UserWindow::UserWindow() : QDialog(nullptr) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  userNameButton.setStyleSheet(QStringLiteral("text-align:left;"));
  layout.setContentsMargins(0, 0, 0, 0);
  layout.addWidget(&userNameButton);
  setLayout(&layout);
}

UserWindow::~UserWindow() = default;

void UserWindow::set_userName(const QString& name) { userName = name; }

QString UserWindow::get_userName() const { return userName; }

void UserWindow::set_userNameButtonText(const QString& text) { userNameButton.setText(text); }

void UserWindow::about_button_hander() { qDebug() << "about_button_hander: not built yet"; }

void UserWindow::signout_button_hander() { qDebug() << "signout_button_hander: not built yet"; }
