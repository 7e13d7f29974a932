#include "http_command/base64_codec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct Freer {
  void operator()(void* p) const { std::free(p); }
};

std::string encode(const char* text, int* len = nullptr) {
  std::unique_ptr<char, Freer> out(
      base64_encode(reinterpret_cast<const unsigned char*>(text), len));
  return out ? std::string(out.get()) : std::string("<null>");
}

// Decoded bytes, checking the count and the terminating zero byte.
std::string decode(const char* text) {
  int len = -1;
  std::unique_ptr<unsigned char, Freer> out(base64_decode(text, &len));
  EXPECT_NE(out, nullptr);
  EXPECT_GE(len, 0);
  if (!out || len < 0) return {};
  EXPECT_EQ(out.get()[len], 0) << "no terminating zero after " << len << " bytes";
  return std::string(reinterpret_cast<const char*>(out.get()), static_cast<size_t>(len));
}

}  // namespace

// RFC 4648, section 10.
const struct {
  const char* plain;
  const char* encoded;
} kRfcVectors[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
};

TEST(Base64, RfcVectorsBothWays) {
  for (const auto& v : kRfcVectors) {
    SCOPED_TRACE(v.plain);
    int len = -1;
    EXPECT_EQ(encode(v.plain, &len), v.encoded);
    EXPECT_EQ(len, static_cast<int>(std::strlen(v.encoded)));
    EXPECT_EQ(decode(v.encoded), v.plain);
  }
}

TEST(Base64, EncodesBytesWithZerosAndAcceptsNullLength) {
  const unsigned char bytes[] = {0x00, 0xff, 0x00, 0xfb, 0xef};
  int len = 0;
  std::unique_ptr<char, Freer> out(base64_encode_bytes(bytes, 5, &len));
  EXPECT_STREQ(out.get(), "AP8A++8=");
  EXPECT_EQ(len, 8);
  std::unique_ptr<char, Freer> noLen(
      base64_encode(reinterpret_cast<const unsigned char*>("ab"), nullptr));
  EXPECT_STREQ(noLen.get(), "YWI=");
  std::unique_ptr<unsigned char, Freer> noLenDecode(base64_decode("YWI=", nullptr));
  EXPECT_STREQ(reinterpret_cast<const char*>(noLenDecode.get()), "ab");
}

TEST(Base64, DecodingRulesForOddInput) {
  const struct {
    const char* text;
    std::string expected;
  } cases[] = {
      {"", ""},
      {"Zg", ""},  // shorter than four characters
      {"Zm9", ""},
      {"Zm9vY", "foo"},                           // a partial last group is ignored
      {"Zm9v!!!!", std::string("foo\0\0\0", 6)},  // outside the alphabet counts as 0
      {"Zg==Zm9v", std::string("f\0\0f", 4)},     // "==" anywhere: 3*(8/4)-2 bytes
      {"Zm8=Zm9v", std::string("fo\0fo", 5)},     // "=" anywhere: 3*(8/4)-1 bytes
      {"====", std::string("\0", 1)},
      {"-_-_", std::string("\0\0\0", 3)},  // URL-safe letters are not standard ones
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(decode(c.text), c.expected);
  }
}

TEST(Base64, FortyFourCharactersWithOnePadGiveAKey) {
  unsigned char key[32];
  for (int i = 0; i < 32; ++i) key[i] = static_cast<unsigned char>(i * 7 + 1);
  std::unique_ptr<char, Freer> text(base64_encode_bytes(key, 32, nullptr));
  ASSERT_EQ(std::strlen(text.get()), 44u);
  EXPECT_EQ(text.get()[43], '=');
  EXPECT_NE(text.get()[42], '=');
  const std::string back = decode(text.get());
  ASSERT_EQ(back.size(), 32u);
  EXPECT_EQ(0, std::memcmp(back.data(), key, 32));
}

TEST(Base64, EncodedLengthIsFourPerStartedTriple) {
  std::string text;
  for (int n = 0; n <= 40; ++n) {
    int len = -1;
    const std::string out = encode(text.c_str(), &len);
    EXPECT_EQ(len, 4 * ((n + 2) / 3)) << n;
    EXPECT_EQ(out.size(), static_cast<size_t>(len));
    EXPECT_EQ(decode(out.c_str()), text);
    const size_t pads = out.size() - out.find_last_not_of('=') - 1;
    EXPECT_EQ(pads, static_cast<size_t>(n % 3 == 0 ? 0 : 3 - n % 3)) << n;
    text.push_back(static_cast<char>('a' + n % 26));
  }
}
