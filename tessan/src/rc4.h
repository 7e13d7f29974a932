// RC4 stream cipher. Every payload is processed with a freshly keyed state,
// so enciphering and deciphering are the same operation.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessan {

struct Rc4State {
  uint8_t s[256];
  uint8_t i;
  uint8_t j;
};

// Key schedule over the identity permutation with the key repeated.
// `keyLen` must be 1..256.
void rc4Init(Rc4State& st, const uint8_t* key, size_t keyLen);

// XORs `len` bytes of `data` in place with the next keystream bytes.
void rc4Apply(Rc4State& st, uint8_t* data, size_t len);

// Keys `st` afresh and applies the keystream to the first `len` bytes.
void rc4Fresh(Rc4State& st, const uint8_t* key, size_t keyLen, uint8_t* data, size_t len);

}  // namespace tessan
