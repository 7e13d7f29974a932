#include "http_command/signin_box.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "http_command/base64_codec.h"

namespace {

using Key = std::array<unsigned char, 32>;

bool sodiumReady() { return sodium_init() >= 0; }

// Decodes a Base64 key into exactly 32 bytes: shorter is zero-padded,
// longer is cut.
Key decodeKey(const QString& base64) {
  Key key{};
  int len = 0;
  unsigned char* bytes = base64_decode(base64.toUtf8().constData(), &len);
  if (bytes) {
    std::memcpy(key.data(), bytes, static_cast<size_t>(std::min<int>(len, 32)));
    sodium_memzero(bytes, static_cast<size_t>(len));
    std::free(bytes);
  }
  return key;
}

// Takes ownership of a malloc'ed Base64 text.
QByteArray takeText(char* text, int len) {
  QByteArray out;
  if (text) {
    out = QByteArray(text, len);
    std::free(text);
  }
  return out;
}

}  // namespace

QString random_string(int len) {
  if (len <= 0 || !sodiumReady()) return QString();
  constexpr uint32_t kAlphabetSize = sizeof(kNonceAlphabet) - 1;
  QString out;
  out.reserve(len);
  for (int i = 0; i < len; ++i) {
    out.append(QLatin1Char(kNonceAlphabet[randombytes_uniform(kAlphabetSize)]));
  }
  return out;
}

SigninBox seal_signin_password(const QString& password, const QString& serverPubKey,
                               const QString& clientSecretKey, const QString& nonce) {
  SigninBox out;
  const QByteArray plain = password.toUtf8();
  if (plain.size() > kMaxPasswordBytes || !sodiumReady()) return out;

  std::array<unsigned char, crypto_box_NONCEBYTES> nonceBytes{};
  const QByteArray nonceText = nonce.toUtf8();
  std::memcpy(nonceBytes.data(), nonceText.constData(),
              std::min<size_t>(static_cast<size_t>(nonceText.size()), nonceBytes.size()));
  Key serverKey = decodeKey(serverPubKey);
  Key secretKey = decodeKey(clientSecretKey);

  std::vector<unsigned char> message(crypto_box_ZEROBYTES, 0);
  message.insert(message.end(), plain.begin(), plain.end());
  std::vector<unsigned char> box(message.size(), 0);
  out.boxResult = crypto_box(box.data(), message.data(), message.size(), nonceBytes.data(),
                             serverKey.data(), secretKey.data());
  sodium_memzero(message.data(), message.size());
  sodium_memzero(secretKey.data(), secretKey.size());

  int len = 0;
  char* sealed = base64_encode_bytes(box.data() + crypto_box_BOXZEROBYTES,
                                     static_cast<int>(box.size() - crypto_box_BOXZEROBYTES), &len);
  out.password = takeText(sealed, len);
  // The nonce member is the Base64 of the nonce as text.
  char* nonceMember =
      base64_encode(reinterpret_cast<const unsigned char*>(nonceText.constData()), &len);
  out.nonce = takeText(nonceMember, len);
  out.ok = !out.password.isEmpty() && !out.nonce.isEmpty();
  return out;
}
