#include "http_command/uac_signature.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <string>

#include "qt_print.h"

namespace {

const char kBody[] =
    "{\"meta\":{\"locale\":\"en-US\",\"localtz\":60,\"appName\":\"orvanta\",\"appVendorCode\":"
    "\"ORV\",\"accessToken\":\"AT1\"},\"data\":{\"origin\":\"PC\",\"osName\":\"windows\","
    "\"agentName\":\"host1\",\"appVendorCode\":\"ORV\"}}";
const char kPath[] = "/api/v2/device-list";
const QString kTimestamp = QStringLiteral("1700000000000");

bool urlSafe43(const QString& s) {
  static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9_-]{43}$"));
  return re.match(s).hasMatch();
}

}  // namespace

TEST(UacSignature, MatchesReferenceValues) {
  // Reference values computed independently with Python's hmac and hashlib.
  const struct {
    const char* key;
    const char* expected;
  } cases[] = {
      {"signkey-123", "zSUwnEj9kQl74zAaVsC72zzUJntDkicStAH8Rw5UZGk"},
      {"", "7LgiiKajrGgJlW_jQwX8ZlGcsyAIfrnxgTZtKDt41nI"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(HTTP_uacSignature(kBody, kPath, kTimestamp, QString::fromUtf8(c.key)),
              QString::fromLatin1(c.expected));
  }
}

TEST(UacSignature, EveryChangedByteChangesIt) {
  const QString key = QStringLiteral("signkey-123");
  const QString golden = HTTP_uacSignature(kBody, kPath, kTimestamp, key);
  auto flipEach = [&](const std::string& original, auto sign) {
    for (size_t i = 0; i < original.size(); ++i) {
      std::string changed = original;
      changed[i] = static_cast<char>(changed[i] ^ 0x01);
      const QString sig = sign(changed);
      EXPECT_NE(sig, golden) << "byte " << i << " of " << original;
      EXPECT_TRUE(urlSafe43(sig)) << sig.toStdString();
    }
  };
  flipEach(kBody, [&](const std::string& b) {
    return HTTP_uacSignature(b.c_str(), kPath, kTimestamp, key);
  });
  flipEach(kPath, [&](const std::string& p) {
    return HTTP_uacSignature(kBody, p.c_str(), kTimestamp, key);
  });
  flipEach(kTimestamp.toStdString(), [&](const std::string& t) {
    return HTTP_uacSignature(kBody, kPath, QString::fromStdString(t), key);
  });
  EXPECT_NE(HTTP_uacSignature(kBody, kPath, kTimestamp, QStringLiteral("signkey-124")), golden);
}

TEST(UacSignature, AlwaysFortyThreeUrlSafeCharacters) {
  // Inputs that would produce "+", "/" or "=" in standard Base64 somewhere.
  for (int i = 0; i < 200; ++i) {
    const std::string body = "{\"n\":" + std::to_string(i) + "}";
    const QString sig =
        HTTP_uacSignature(body.c_str(), "/api/v1/snapshot", QString::number(1700000000000LL + i),
                          QString::fromUtf8("k\xC3\xA9y-") + QString::number(i));
    ASSERT_TRUE(urlSafe43(sig)) << sig.toStdString();
    EXPECT_EQ(sig, HTTP_uacSignature(body.c_str(), "/api/v1/snapshot",
                                     QString::number(1700000000000LL + i),
                                     QString::fromUtf8("k\xC3\xA9y-") + QString::number(i)));
  }
}

TEST(UacSignature, HeaderValueJoinsSchemeTimeAndSignature) {
  EXPECT_EQ(HTTP_uacSignatureHeader(kTimestamp, QStringLiteral("abc")),
            QStringLiteral("UAC1-HMAC-SHA256;1700000000000;abc"));
}
