#include "rc4.h"

#include <utility>

namespace tessan {

void rc4Init(Rc4State& st, const uint8_t* key, size_t keyLen) {
  for (int k = 0; k < 256; ++k) st.s[k] = uint8_t(k);
  uint8_t j = 0;
  for (int k = 0; k < 256; ++k) {
    j = uint8_t(j + st.s[k] + key[size_t(k) % keyLen]);
    std::swap(st.s[k], st.s[j]);
  }
  st.i = 0;
  st.j = 0;
}

void rc4Apply(Rc4State& st, uint8_t* data, size_t len) {
  uint8_t i = st.i, j = st.j;
  for (size_t n = 0; n < len; ++n) {
    i = uint8_t(i + 1);
    j = uint8_t(j + st.s[i]);
    std::swap(st.s[i], st.s[j]);
    data[n] ^= st.s[uint8_t(st.s[i] + st.s[j])];
  }
  st.i = i;
  st.j = j;
}

void rc4Fresh(Rc4State& st, const uint8_t* key, size_t keyLen, uint8_t* data, size_t len) {
  rc4Init(st, key, keyLen);
  rc4Apply(st, data, len);
}

}  // namespace tessan
