// UserWindow: the user menu the main window's user button opens. One menu
// is made by the program entry and kept for the whole process; the sign-in
// dialog stores the signed-in user's name in it and the main window copies
// that name onto the menu's first button before opening it. "about" opens
// a fresh About dialog each time; "sign out" asks the main window to sign
// out whenever a session is active (without one it only logs).
#pragma once

#include <QDialog>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>

class UserWindow : public QDialog {
  Q_OBJECT

 public:
  UserWindow();
  ~UserWindow() override;

  void set_userName(const QString& name);
  QString get_userName() const;
  // The text of the user-name button.
  void set_userNameButtonText(const QString& text);

 public slots:
  void about_button_hander();
  void signout_button_hander();

 private:
  QString userName;
  QVBoxLayout layout;
  QPushButton userNameButton;  // "userNameButton"
  QPushButton aboutButton;     // "aboutButton", "about"
  QPushButton signoutButton;   // "signoutButton", "sign out"
};
