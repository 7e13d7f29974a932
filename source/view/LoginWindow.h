// LoginWindow: the modal sign-in dialog the program entry runs before the
// main window is shown, once per pass of the sign-in loop. This first
// version is an empty dialog with the program's title: it offers no sign-in
// yet, so it can only be closed (rejected). It makes the challenge record
// the main window holds while it is open; there is no token store yet.
#pragma once

#include <QDialog>

struct Challenge;
class Signin;

class LoginWindow : public QDialog {
  Q_OBJECT

 public:
  LoginWindow();
  ~LoginWindow() override;

  // The challenge record (made by the constructor, not freed by the dialog).
  Challenge* getChallenge();
  // The token store of a successful sign-in; null until then.
  Signin* getTokenInfo();

 private:
  Challenge* challenge = nullptr;
  Signin* tokenInfo = nullptr;
};
