#include "view/AboutWindow.h"

#include <QDebug>
#include <QFont>
#include <QPixmap>

#include "adapter_hardWare/AdapterHardware.h"
#include "event/shell.h"
#include "http_command/cloud_records.h"
#include "util_class/app_paths.h"
#include "view/about_links.h"

namespace {

// The address of the application configuration as it is now (empty before
// the configuration arrived).
QString configured(QString App_config::*field) {
  const App_config* config = shell().appConfiguration();
  return config ? config->*field : QString();
}

}  // namespace

AboutWindow::AboutWindow() : QDialog(nullptr) {
  const AdapterHardware& a = adapterHardware;
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setWindowTitle(shell().programTitle());
  setFixedSize(a.sx(1060), a.sy(480));

  backgroundLabel.setParent(this);
  backgroundLabel.setFixedSize(a.sx(1060), a.sy(480));
  const QPixmap background(
      app_paths::picture(QStringLiteral("ic_about_bg.png")));
  backgroundLabel.setPixmap(background.scaled(backgroundLabel.size(), Qt::IgnoreAspectRatio,
                                              Qt::SmoothTransformation));

  const QString agreementUrl = configured(&App_config::agreementUrl);
  const QString privacyUrl = configured(&App_config::privacyUrl);
  struct Line {
    QLabel& label;
    const char* objectName;
    int fontPixels;
    int y;
    QString text;
    bool leftCentred;
  };
  const Line lines[] = {
      {titleLabel, "titleLabel", 36, 88, QStringLiteral("Orvanta Cloud"), false},
      {versionLabel, "versionLabel", 28, 171, QStringLiteral("1.0.210718.2"), false},
      {termsLabel, "termsLabel", 24, 248,
       aboutLinkText(agreementUrl, QStringLiteral("Terms of Use")), true},
      {privacyLabel, "privacyLabel", 24, 312,
       aboutLinkText(privacyUrl, QStringLiteral("Privacy Policy")), true},
      {rightsLabel, "rightsLabel", 20, 398,
       QStringLiteral("Copyright \u00A9 2021 Orvanta Cloud. All rights reserved."), false},
  };
  for (const Line& line : lines) {
    line.label.setParent(this);
    line.label.setObjectName(QLatin1String(line.objectName));
    QFont font = line.label.font();
    font.setPixelSize(a.sx(line.fontPixels));
    line.label.setFont(font);
    if (line.leftCentred) line.label.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    line.label.setText(line.text);
    line.label.adjustSize();
    line.label.move(a.sx(400), a.sy(line.y));
  }
  if (!agreementUrl.isEmpty()) qDebug() << "agreementUrl :" << agreementUrl;
  if (!privacyUrl.isEmpty()) qDebug() << "privacyUrl :" << privacyUrl;

  connect(&termsLabel, SIGNAL(linkActivated(QString)), this,
          SLOT(termsLabLinkActivated_Handler(QString)));
  connect(&privacyLabel, SIGNAL(linkActivated(QString)), this,
          SLOT(privacyLabLinkActivated_Handler(QString)));
}

void AboutWindow::termsLabLinkActivated_Handler(QString) {
  openAboutLink(configured(&App_config::agreementUrl));
}

void AboutWindow::privacyLabLinkActivated_Handler(QString) {
  openAboutLink(configured(&App_config::privacyUrl));
}
