// The user menu and the About dialog against a signed-in main window:
// sign-out only while a session is active, a fresh About dialog per
// opening, plain texts without addresses, escaped links with them, and
// only web addresses handed to the desktop (caught here).
#include <gtest/gtest.h>

#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>

#include "dialogs_fixture.h"
#include "log_capture.h"
#include "modal_driver.h"
#include "view/AboutWindow.h"
#include "view/UserWindow.h"

namespace {

using dialogtest::SignedInWindow;

// The link targets and the plain text of a label's rich text.
struct Rendered {
  QStringList hrefs;
  QString plain;
};

Rendered rendered(const QLabel& label) {
  QTextDocument doc;
  doc.setHtml(label.text());
  Rendered r;
  r.plain = doc.toPlainText();
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      if (format.isAnchor()) r.hrefs << format.anchorHref();
    }
  }
  return r;
}

class UserMenu : public SignedInWindow {
 protected:
  QPushButton* button(const char* name) { return menu_->findChild<QPushButton*>(name); }
};

// Sign-out follows the cloud session, not the camera list: without a
// session (here none was ever signed in) the button only logs, camera list
// or not. With a session it signs out also before any list exists
// (login_window_test, against the simulated cloud).
TEST_F(UserMenu, SignOutNeedsASession) {
  // Only the menu's request is watched here; the sign-out itself is the
  // main window's.
  QObject::disconnect(window_, SIGNAL(user_singout()), window_, SLOT(user_singout_Handler()));
  QSignalSpy signout(window_, SIGNAL(user_singout()));
  ASSERT_NE(button("signoutButton"), nullptr);
  EXPECT_EQ(button("signoutButton")->text(), QStringLiteral("sign out"));
  for (bool listBuilt : {false, true}) {
    window_->load_deviceList_succeed = listBuilt;
    testsupport::LogCapture log;
    button("signoutButton")->click();
    EXPECT_EQ(signout.count(), 0) << listBuilt;
    EXPECT_EQ(log.count(QStringLiteral("wait a moment singout agin")), 1) << listBuilt;
  }
}

TEST_F(UserMenu, TheUserButtonShowsTheSignedInName) {
  for (const char* name : {"alice", "bob@example.com"}) {
    menu_->set_userName(QLatin1String(name));
    QString shown;
    auto ran = dialogtest::onNextModal<UserWindow>([&](UserWindow* m) {
      shown = m->findChild<QPushButton*>("userNameButton")->text();
      m->done(0);
    });
    window_->userButton_Handler();
    ASSERT_TRUE(*ran);
    EXPECT_EQ(shown, QLatin1String(name));
  }
  for (const char* entry : {"userNameButton", "aboutButton", "signoutButton"}) {
    EXPECT_FALSE(button(entry)->icon().isNull()) << entry;
  }
}

TEST_F(UserMenu, AboutIsBuiltAfreshForEachOpening) {
  const char* const addresses[] = {"", "https://example.com/terms/1",
                                   "https://example.com/terms/2"};
  for (const char* address : addresses) {
    appConfig_.agreementUrl = QLatin1String(address);
    QPointer<AboutWindow> seen;
    Rendered terms;
    auto ran = dialogtest::onNextModal<AboutWindow>([&](AboutWindow* about) {
      seen = about;
      terms = rendered(about->termsLabel);
      about->close();
    });
    button("aboutButton")->click();
    ASSERT_TRUE(*ran) << address;
    EXPECT_TRUE(seen.isNull()) << "freed when it closed";
    EXPECT_EQ(terms.plain, QStringLiteral("Terms of Use"));
    EXPECT_EQ(terms.hrefs, *address ? QStringList{QLatin1String(address)} : QStringList{});
  }
}

using About = SignedInWindow;

TEST_F(About, TitleAndVersion) {
  AboutWindow about;
  EXPECT_EQ(about.windowTitle(), QStringLiteral("Orvanta Cloud"));
  EXPECT_EQ(about.titleLabel.text(), QStringLiteral("Orvanta Cloud"));
  EXPECT_EQ(about.versionLabel.text(), QStringLiteral("1.0.210718.2"));
  EXPECT_FALSE(about.rightsLabel.text().isEmpty());
  EXPECT_FALSE(about.backgroundLabel.pixmap(Qt::ReturnByValue).isNull());
}

TEST_F(About, WithoutAddressesTheTextsArePlain) {
  for (bool withConfig : {false, true}) {
    window_->appConfig = withConfig ? &appConfig_ : nullptr;
    AboutWindow about;
    EXPECT_EQ(about.termsLabel.text(), QStringLiteral("Terms of Use"));
    EXPECT_EQ(about.privacyLabel.text(), QStringLiteral("Privacy Policy"));
    emit about.termsLabel.linkActivated(QStringLiteral("https://example.com/"));
    emit about.privacyLabel.linkActivated(QStringLiteral("https://example.com/"));
    EXPECT_TRUE(urls_.opened.isEmpty());
  }
  window_->appConfig = &appConfig_;
}

TEST_F(About, LinksCarryTheirAddressEscaped) {
  appConfig_.agreementUrl = QStringLiteral("https://e.com/t?a=1&b=\"x\"><img src=y>");
  appConfig_.privacyUrl = QStringLiteral("https://e.com/p'<b>");
  AboutWindow about;
  const Rendered terms = rendered(about.termsLabel);
  EXPECT_EQ(terms.hrefs, QStringList{appConfig_.agreementUrl});
  EXPECT_EQ(terms.plain, QStringLiteral("Terms of Use"));
  const Rendered privacy = rendered(about.privacyLabel);
  EXPECT_EQ(privacy.hrefs, QStringList{appConfig_.privacyUrl});
  EXPECT_EQ(privacy.plain, QStringLiteral("Privacy Policy"));
}

TEST_F(About, OnlyWebAddressesAreOpened) {
  const struct {
    const char* address;
    bool opened;
  } cases[] = {{"https://example.com/privacy", true},
               {"http://example.com/terms", true},
               {"javascript:alert(document.cookie)", false},
               {"file:///etc/passwd", false},
               {"data:text/html,<script>alert(1)</script>", false}};
  for (const auto& c : cases) {
    appConfig_.agreementUrl = QStringLiteral("https://example.com/before");
    appConfig_.privacyUrl = appConfig_.agreementUrl;
    AboutWindow about;
    // The address the configuration holds at click time counts.
    appConfig_.agreementUrl = QLatin1String(c.address);
    appConfig_.privacyUrl = QLatin1String(c.address);
    for (QLabel* link : {&about.termsLabel, &about.privacyLabel}) {
      urls_.opened.clear();
      emit link->linkActivated(QStringLiteral("https://example.com/before"));
      if (c.opened) {
        ASSERT_EQ(urls_.opened.size(), 1) << c.address;
        EXPECT_EQ(urls_.opened[0].toString(), QLatin1String(c.address));
      } else {
        EXPECT_TRUE(urls_.opened.isEmpty()) << c.address;
      }
    }
  }
}

}  // namespace
