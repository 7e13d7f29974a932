// What the sign-in dialog needs of the main window: the sign-in session's
// books in one place. The dialog decides (view/login_form.h); the host keeps
// the running flag, the remembered user and its stored login (one
// UserLocalConfig, whole), the one remember-me value, and writes them.
//
// GUI thread only. signinHost() is the main window; the sign-in dialog is
// made only while there is one (the program entry's sign-in loop).
#pragma once

#include <QString>

class CloudClient;
struct Challenge;
struct UserLocalConfig;

class SigninHost {
 public:
  virtual ~SigninHost() = default;

  // A sign-in is running (login_running).
  virtual bool signinRunning() const = 0;
  // The cloud protocol the dialog's requests and replies go through.
  virtual CloudClient& signinCloud() = 0;
  // The user of userNameLastLogin.txt; empty when none is remembered.
  virtual QString lastUser() = 0;
  // Opens `user`'s folder and config.json: the login stored there (null
  // when none could be read), whose download folders the window takes.
  virtual const UserLocalConfig* openUser(const QString& user) = 0;
  // The login stored for the user opened last (null when none).
  virtual const UserLocalConfig* storedLogin() const = 0;
  // Remember-me: the one value the dialog shows and a sign-in follows.
  virtual bool remember() const = 0;
  virtual void setRemember(bool on) = 0;
  // The sign-in of `user` begins: the user menu shows the user, the user's
  // folder and group file are made, the running flag is set and the app
  // start-up is requested.
  virtual void beginSignin(const QString& user) = 0;
  // The sign-in has failed: the running flag clears.
  virtual void signinEnded() = 0;
  // A sign-in to remember: the login of `login`'s mode (its user name and
  // password in that mode, the country code, remember-me, the mode) becomes
  // the window's remembered login, which is written into `user`'s
  // config.json, and `user` into the last-login file.
  virtual void rememberSignin(const QString& user, const UserLocalConfig& login) = 0;
  // `user`'s config.json could not be written (or read to be rewritten):
  // the user is told that settings and remember me are not saved.
  virtual void storedLoginNotSaved(const QString& user) = 0;
  // No user is remembered any more (the last-login file goes).
  virtual void forgetLastUser() = 0;
  // The dialog's challenge record goes away: the window lets go of it.
  virtual void releaseChallenge(const Challenge* challenge) = 0;
};

// The main window.
SigninHost& signinHost();
