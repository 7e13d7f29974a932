#include "camera_crypto.h"

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <cstdio>
#include <stdexcept>

namespace camera {

std::string md5Hex(const uint8_t* data, size_t len) {
  uint8_t d[16];
  unsigned n = 0;
  EVP_Digest(data, len, d, &n, EVP_md5(), nullptr);
  char hex[33];
  for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", d[i]);
  return std::string(hex, 32);
}

std::vector<uint8_t> md5Raw(const std::string& text) {
  std::vector<uint8_t> d(16);
  unsigned n = 0;
  EVP_Digest(text.data(), text.size(), d.data(), &n, EVP_md5(), nullptr);
  return d;
}

void rc4(const std::string& key, uint8_t* data, size_t len) {
  if (!len || key.empty()) return;
  static OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
  static OSSL_PROVIDER* base = OSSL_PROVIDER_load(nullptr, "default");
  if (!legacy || !base) throw std::runtime_error("OpenSSL legacy provider (RC4) not available");
  EVP_CIPHER_CTX* c = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(c, EVP_rc4(), nullptr, nullptr, nullptr);
  EVP_CIPHER_CTX_set_key_length(c, int(key.size()));
  EVP_EncryptInit_ex(c, nullptr, nullptr, reinterpret_cast<const uint8_t*>(key.data()), nullptr);
  int out = 0;
  EVP_EncryptUpdate(c, data, &out, data, int(len));
  EVP_CIPHER_CTX_free(c);
}

}  // namespace camera
