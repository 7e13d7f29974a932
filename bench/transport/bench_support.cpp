#include "bench_support.h"

#include <openssl/evp.h>
#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <random>

namespace bench {

int64_t mono_ns() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double cpu_ms() {
  rusage u;
  getrusage(RUSAGE_SELF, &u);
  auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  return ms(u.ru_utime) + ms(u.ru_stime);
}

Digest::Digest() : ctx_(EVP_MD_CTX_new()) {
  EVP_DigestInit_ex(static_cast<EVP_MD_CTX*>(ctx_), EVP_sha256(), nullptr);
}

Digest::~Digest() { EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(ctx_)); }

void Digest::add(const uint8_t* data, size_t len) { EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(ctx_), data, len); }

std::string Digest::hex() {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_DigestFinal_ex(static_cast<EVP_MD_CTX*>(ctx_), md, &n);
  std::string out;
  char two[3];
  for (unsigned i = 0; i < n; ++i) {
    std::snprintf(two, sizeof two, "%02x", md[i]);
    out += two;
  }
  return out;
}

std::string sha256_hex(const uint8_t* data, size_t len) {
  Digest d;
  d.add(data, len);
  return d.hex();
}

Bytes random_bytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

}  // namespace bench
