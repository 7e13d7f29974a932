#include "http_command/base64_codec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

unsigned sextet(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 0;  // "=" and anything outside the alphabet
}

}  // namespace

char* base64_encode_bytes(const unsigned char* data, int len, int* outLen) {
  if (len < 0) len = 0;
  const size_t groups = (static_cast<size_t>(len) + 2) / 3;
  const size_t n = groups * 4;
  char* out = static_cast<char*>(std::malloc(n + 1));
  if (!out) {
    if (outLen) *outLen = 0;
    return nullptr;
  }
  size_t o = 0;
  for (size_t i = 0; i < static_cast<size_t>(len); i += 3) {
    const size_t left = static_cast<size_t>(len) - i;
    const uint32_t v = (uint32_t{data[i]} << 16) | (left > 1 ? uint32_t{data[i + 1]} << 8 : 0u) |
                       (left > 2 ? uint32_t{data[i + 2]} : 0u);
    out[o++] = kAlphabet[(v >> 18) & 63];
    out[o++] = kAlphabet[(v >> 12) & 63];
    out[o++] = left > 1 ? kAlphabet[(v >> 6) & 63] : '=';
    out[o++] = left > 2 ? kAlphabet[v & 63] : '=';
  }
  out[o] = '\0';
  if (outLen) *outLen = static_cast<int>(o);
  return out;
}

char* base64_encode(const unsigned char* text, int* outLen) {
  const size_t len = text ? std::strlen(reinterpret_cast<const char*>(text)) : 0;
  static const unsigned char kNone[1] = {0};
  return base64_encode_bytes(text ? text : kNone, static_cast<int>(len), outLen);
}

unsigned char* base64_decode(const char* text, int* outLen) {
  const size_t len = text ? std::strlen(text) : 0;
  size_t n = 3 * (len / 4);
  if (len >= 4) {
    if (std::strstr(text, "==")) {
      n -= 2;
    } else if (std::strchr(text, '=')) {
      n -= 1;
    }
  } else {
    n = 0;
  }
  unsigned char* out = static_cast<unsigned char*>(std::malloc(n + 1));
  if (!out) {
    if (outLen) *outLen = 0;
    return nullptr;
  }
  size_t o = 0;
  for (size_t i = 0; i + 4 <= len && o < n; i += 4) {
    const auto* p = reinterpret_cast<const unsigned char*>(text + i);
    const uint32_t v =
        (sextet(p[0]) << 18) | (sextet(p[1]) << 12) | (sextet(p[2]) << 6) | sextet(p[3]);
    const unsigned char bytes[3] = {static_cast<unsigned char>(v >> 16),
                                    static_cast<unsigned char>(v >> 8),
                                    static_cast<unsigned char>(v)};
    for (unsigned char b : bytes) {
      if (o < n) out[o++] = b;
    }
  }
  out[o] = 0;
  if (outLen) *outLen = static_cast<int>(o);
  return out;
}
