// SHA-256 of a byte stream, from libcrypto (integrity checks of tests and benchmarks).
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace testworld {

class Sha256 {
 public:
  Sha256() : ctx_(EVP_MD_CTX_new(), EVP_MD_CTX_free) { EVP_DigestInit_ex(ctx_.get(), EVP_sha256(), nullptr); }
  void add(const uint8_t* data, size_t len) {
    EVP_DigestUpdate(ctx_.get(), data, len);
    bytes_ += len;
  }
  // Hex digest; ends the stream.
  std::string hex() {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_DigestFinal_ex(ctx_.get(), md, &n);
    std::string out;
    char two[3];
    for (unsigned i = 0; i < n; ++i) {
      std::snprintf(two, sizeof two, "%02x", md[i]);
      out += two;
    }
    return out;
  }
  uint64_t bytes() const { return bytes_; }

 private:
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx_;
  uint64_t bytes_ = 0;
};

}  // namespace testworld
