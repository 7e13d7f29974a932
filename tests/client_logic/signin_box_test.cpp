#include "http_command/signin_box.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "../cloud/qt_print.h"

namespace {

using Key = std::array<unsigned char, 32>;

struct KeyPair {
  Key pub{};
  Key secret{};
  KeyPair() { crypto_box_keypair(pub.data(), secret.data()); }
};

QString b64(const unsigned char* data, size_t len) {
  return QString::fromLatin1(
      QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(len)).toBase64());
}
QString b64(const Key& k) { return b64(k.data(), k.size()); }

const QString kNonce = QStringLiteral("abcdefghijklmnopqrstuvwx");

// Opens the "password" member as the server does: it is libsodium's
// combined format (authenticator, then cipher text).
bool openPassword(const QByteArray& member, const QString& nonce, const KeyPair& server,
                  const KeyPair& client, QByteArray* out) {
  const QByteArray sealed = QByteArray::fromBase64(member);
  if (sealed.size() < static_cast<int>(crypto_box_MACBYTES)) return false;
  std::vector<unsigned char> plain(static_cast<size_t>(sealed.size()) - crypto_box_MACBYTES + 1);
  const QByteArray n = nonce.toLatin1();
  if (n.size() != crypto_box_NONCEBYTES) return false;
  if (crypto_box_open_easy(plain.data(), reinterpret_cast<const unsigned char*>(sealed.constData()),
                           static_cast<unsigned long long>(sealed.size()),
                           reinterpret_cast<const unsigned char*>(n.constData()), client.pub.data(),
                           server.secret.data()) != 0) {
    return false;
  }
  *out = QByteArray(reinterpret_cast<const char*>(plain.data()),
                    sealed.size() - static_cast<int>(crypto_box_MACBYTES));
  return true;
}

class SigninBoxTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(sodium_init(), 0); }
  KeyPair server;
  KeyPair client;
};

}  // namespace

TEST_F(SigninBoxTest, TheServerOpensTheBoxAndGetsThePasswordBack) {
  const QString passwords[] = {
      QStringLiteral("secret123"),
      QString(),
      QString::fromUtf8("p\xC3\xA4ss w\xE5\xAF\x86rd \xF0\x9F\x94\x91"),
      QString(991, QLatin1Char('x')),
      QString(992, QLatin1Char('y')),  // no longer fits a 1,024-byte buffer
  };
  for (const QString& password : passwords) {
    const SigninBox box =
        seal_signin_password(password, b64(server.pub), b64(client.secret), kNonce);
    ASSERT_TRUE(box.ok);
    EXPECT_EQ(box.boxResult, 0);
    QByteArray opened;
    ASSERT_TRUE(openPassword(box.password, kNonce, server, client, &opened)) << password.size();
    EXPECT_EQ(opened, password.toUtf8());
  }
}

TEST_F(SigninBoxTest, MemberLengthsFollowThePasswordBytes) {
  const struct {
    int bytes;
    int chars;
  } cases[] = {{0, 24}, {1, 24}, {2, 24}, {3, 28}, {9, 36}, {991, 1344}, {5000, 6688}};
  for (const auto& c : cases) {
    const SigninBox box = seal_signin_password(QString(c.bytes, QLatin1Char('a')), b64(server.pub),
                                               b64(client.secret), kNonce);
    EXPECT_EQ(box.password.size(), c.chars) << c.bytes;
    EXPECT_EQ(box.nonce, QByteArray("YWJjZGVmZ2hpamtsbW5vcHFyc3R1dnd4"));
  }
}

TEST_F(SigninBoxTest, LongPasswordUnderSanitizers) {
  const QString password(5000, QChar(0x5BC6));  // 15,000 UTF-8 bytes
  const SigninBox box = seal_signin_password(password, b64(server.pub), b64(client.secret), kNonce);
  ASSERT_TRUE(box.ok);
  QByteArray opened;
  ASSERT_TRUE(openPassword(box.password, kNonce, server, client, &opened));
  EXPECT_EQ(opened, password.toUtf8());
  EXPECT_FALSE(seal_signin_password(QString(kMaxPasswordBytes + 1, QLatin1Char('a')),
                                    b64(server.pub), b64(client.secret), kNonce)
                   .ok);
}

// Keys that do not decode to 32 bytes: shorter ones are zero-padded, longer
// ones cut, compared with libsodium boxing under the adjusted keys itself.
TEST_F(SigninBoxTest, KeysArePaddedOrCutToThirtyTwoBytes) {
  Key shortPadded{};
  std::memcpy(shortPadded.data(), server.pub.data(), 20);
  std::array<unsigned char, 40> longKey{};
  std::memcpy(longKey.data(), client.secret.data(), 32);
  longKey[35] = 0xAA;

  const SigninBox box = seal_signin_password(QStringLiteral("pw"), b64(server.pub.data(), 20),
                                             b64(longKey.data(), longKey.size()), kNonce);
  std::array<unsigned char, crypto_box_MACBYTES + 2> expected{};
  ASSERT_EQ(crypto_box_easy(expected.data(), reinterpret_cast<const unsigned char*>("pw"), 2,
                            reinterpret_cast<const unsigned char*>("abcdefghijklmnopqrstuvwx"),
                            shortPadded.data(), client.secret.data()),
            0);
  EXPECT_EQ(box.boxResult, 0);
  EXPECT_EQ(QString::fromLatin1(box.password), b64(expected.data(), expected.size()));
}

TEST_F(SigninBoxTest, EmptyKeysStillGiveMembers) {
  const SigninBox box = seal_signin_password(QStringLiteral("pw"), QString(), QString(), kNonce);
  EXPECT_TRUE(box.ok);
  EXPECT_NE(box.boxResult, 0);  // all-zero keys: libsodium refuses
  EXPECT_EQ(box.password.size(), 24);
}

TEST(SigninNonce, TwentyFourCharactersOfTheAlphabet) {
  const QString alphabet =
      QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
  const QString a = random_string(24);
  const QString b = random_string(24);
  ASSERT_EQ(a.size(), 24);
  ASSERT_EQ(b.size(), 24);
  EXPECT_NE(a, b);  // 62^24 values: a repeat means no real randomness
  QString all;
  for (int i = 0; i < 200; ++i) all += random_string(24);
  for (const QChar c : all) EXPECT_TRUE(alphabet.contains(c)) << c.unicode();
  // 4,800 draws reach every one of the 62 characters.
  for (const QChar c : alphabet) EXPECT_TRUE(all.contains(c)) << c.toLatin1();
  EXPECT_TRUE(random_string(0).isEmpty());
  EXPECT_TRUE(random_string(-3).isEmpty());
}

// The C library's generator restarted at the same seed repeats itself; the
// nonce must not follow it (every run would send the same nonces).
TEST(SigninNonce, DoesNotFollowTheCLibraryGenerator) {
  std::srand(1);
  const QString a = random_string(24);
  std::srand(1);
  const QString b = random_string(24);
  EXPECT_NE(a, b);
}
