// The sealed password of the sign-in request.
//
// The password travels in a NaCl box (curve25519xsalsa20poly1305) made with
// the server's public key and this sign-in's client secret key, both handed
// out Base64-encoded by the challenge reply, under a fresh 24-character
// nonce. Buffers are sized from the password, so any length fits.
#pragma once

#include <QByteArray>
#include <QString>

// The nonce alphabet: 62 characters, letters then digits.
inline constexpr char kNonceAlphabet[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
inline constexpr int kNonceLength = 24;
// Passwords beyond this many UTF-8 bytes are refused (no real password is
// near it; it keeps every size well inside int).
inline constexpr int kMaxPasswordBytes = 1 << 20;

// `len` characters drawn uniformly from kNonceAlphabet by libsodium's
// randombytes_uniform (never rand(): unseeded on Linux, every run would
// repeat the same nonces). Empty for len <= 0 or when libsodium cannot start.
QString random_string(int len);

struct SigninBox {
  bool ok = false;      // members built; false: password too long, no libsodium
  int boxResult = -1;   // crypto_box's own result (logged as "crypto_box ret :")
  QByteArray password;  // the "password" member: Base64 of box bytes 16 .. 32+n
  QByteArray nonce;     // the "nonce" member: Base64 of the nonce text
};

// Boxes `password` (its UTF-8 bytes, n of them) behind 32 zero bytes with
// the nonce text's first 24 bytes (zero-padded when shorter), the decoded
// `serverPubKey` and `clientSecretKey` (each cut or zero-padded to 32 bytes;
// empty keys become all-zero keys, for which crypto_box fails: boxResult -1,
// and the members still carry the zero box so the server decides).
// The password member has 4 * ceil((16 + n) / 3) characters.
SigninBox seal_signin_password(const QString& password, const QString& serverPubKey,
                               const QString& clientSecretKey, const QString& nonce);
