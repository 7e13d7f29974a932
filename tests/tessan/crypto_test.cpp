// RC4 against the RFC 6229 keystream vectors; MD5 (UTI_md5) against the
// RFC 1321 suite and, around the padding boundary, against OpenSSL.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <string>
#include <vector>

#include "Tessan.h"
#include "rc4.h"
#include "test_frames.h"

namespace {

using frames::hex;

struct Rc4Vector {
  size_t keyLen;  // key is 0x01, 0x02, ... keyLen
  size_t offset;
  const char* keystream;  // 16 bytes
};

class Rc4Rfc6229 : public ::testing::TestWithParam<Rc4Vector> {};

TEST_P(Rc4Rfc6229, KeystreamAtOffset) {
  const Rc4Vector v = GetParam();
  uint8_t key[32];
  for (size_t i = 0; i < v.keyLen; ++i) key[i] = uint8_t(i + 1);
  std::vector<uint8_t> zeros(v.offset + 16, 0);
  tessan::Rc4State st;
  tessan::rc4Fresh(st, key, v.keyLen, zeros.data(), zeros.size());
  EXPECT_EQ(hex(zeros.data() + v.offset, 16), v.keystream);
}

INSTANTIATE_TEST_SUITE_P(Vectors, Rc4Rfc6229,
                         ::testing::Values(Rc4Vector{5, 0, "b2396305f03dc027ccc3524a0a1118a8"},
                                           Rc4Vector{5, 2032, "1eb14a0c13b3bf47fa2a0ba93ad45b8b"},
                                           Rc4Vector{16, 0, "9ac7cc9a609d1ef7b2932899cde41b97"},
                                           Rc4Vector{16, 2032, "d03d1bc03cd33d70dff9fa5d71963ebd"},
                                           Rc4Vector{32, 0, "eaa6bd25880bf93d3f5d1e4ca2611d91"},
                                           Rc4Vector{32, 2032, "f656abccf88dd827027b2ce917d464ec"}));

TEST(Rc4, FreshStatePerPayloadMakesDecipherTheSameXor) {
  const uint8_t key[] = {'k', 'e', 'y'};
  uint8_t data[100];
  for (int i = 0; i < 100; ++i) data[i] = uint8_t(i * 7);
  uint8_t copy[100];
  std::memcpy(copy, data, sizeof data);
  tessan::Rc4State st;
  tessan::rc4Fresh(st, key, 3, data, sizeof data);
  EXPECT_NE(0, std::memcmp(copy, data, sizeof data));
  tessan::rc4Fresh(st, key, 3, data, sizeof data);  // same state object, keyed again
  EXPECT_EQ(0, std::memcmp(copy, data, sizeof data));
}

TEST(Md5, Rfc1321Suite) {
  const std::pair<const char*, const char*> suite[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : suite) {
    uint8_t out[16];
    ASSERT_EQ(0, UTI_md5(c.first, int(std::strlen(c.first)), out));
    EXPECT_EQ(hex(out, 16), c.second) << '"' << c.first << '"';
  }
}

TEST(Md5, PaddingBoundariesAgreeWithOpenSsl) {
  for (int len : {55, 56, 63, 64, 65, 119, 120, 128, 1000}) {
    std::vector<uint8_t> data(static_cast<size_t>(len));
    for (int i = 0; i < len; ++i) data[size_t(i)] = uint8_t(i * 31 + 3);
    uint8_t ours[16], ref[16];
    unsigned refLen = 0;
    ASSERT_EQ(0, UTI_md5(data.data(), len, ours));
    ASSERT_EQ(1, EVP_Digest(data.data(), data.size(), ref, &refLen, EVP_md5(), nullptr));
    EXPECT_EQ(hex(ours, 16), hex(ref, 16)) << "length " << len;
  }
}

TEST(Md5, RefusesNullAndNegativeLength) {
  uint8_t out[16] = {};
  const char data[] = "x";
  EXPECT_EQ(-1, UTI_md5(nullptr, 1, out));
  EXPECT_EQ(-1, UTI_md5(data, 1, nullptr));
  EXPECT_EQ(-1, UTI_md5(data, -1, out));
  EXPECT_EQ(-1, UTI_md5(data, INT32_MIN, out));
}

}  // namespace
