// Base64 decoding of any text (the sign-in keys come from the cloud as
// text), with the length rule the sign-in relies on, and the round trip of
// the input's bytes through the encoder and back.
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "http_command/base64_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);  // decoding stops at a NUL
  const size_t len = std::strlen(text.c_str());
  int decodedLen = -1;
  unsigned char* decoded = base64_decode(text.c_str(), &decodedLen);
  FUZZ_CHECK(decoded != nullptr);
  size_t expected = 0;
  if (len >= 4) {
    expected = 3 * (len / 4);
    if (text.find("==") < len) {
      expected -= 2;
    } else if (text.find('=') < len) {
      expected -= 1;
    }
  }
  FUZZ_CHECK(decodedLen >= 0 && size_t(decodedLen) == expected);
  FUZZ_CHECK(decoded[decodedLen] == 0);
  std::free(decoded);

  int encodedLen = -1;
  char* encoded = base64_encode_bytes(data, int(size), &encodedLen);
  FUZZ_CHECK(encoded != nullptr && size_t(encodedLen) == 4 * ((size + 2) / 3));
  FUZZ_CHECK(std::strlen(encoded) == size_t(encodedLen));
  int backLen = -1;
  unsigned char* back = base64_decode(encoded, &backLen);
  FUZZ_CHECK(back != nullptr && size_t(backLen) == size && std::memcmp(back, data, size) == 0);
  std::free(back);
  std::free(encoded);
  return 0;
}
