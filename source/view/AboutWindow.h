// AboutWindow: the modal About dialog of the user menu: background picture,
// product title, version, the terms-of-use and privacy links from the
// cloud's application configuration, and a rights line. The link rules
// (escaped addresses, only web addresses opened) live in view/about_links.h.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QString>

class AboutWindow : public QDialog {
  Q_OBJECT

 public:
  AboutWindow();

  QLabel backgroundLabel;
  QLabel titleLabel;
  QLabel versionLabel;
  QLabel termsLabel;    // "termsLabel": "Terms of Use", a link when the address is known
  QLabel privacyLabel;  // "privacyLabel": "Privacy Policy", likewise
  QLabel rightsLabel;

 public slots:
  void termsLabLinkActivated_Handler(QString);
  void privacyLabLinkActivated_Handler(QString);
};
