// Standard Base64 (RFC 4648 alphabet with "+" and "/", "=" padding) on plain
// C buffers, as the sign-in box and nonce need them. Both return a buffer
// from malloc that the caller releases with free.
#pragma once

// Encodes the NUL-terminated `text`; the result is NUL-terminated and
// *outLen (when given) receives its length without the terminator.
char* base64_encode(const unsigned char* text, int* outLen);

// Encodes `len` bytes of `data` (which may hold zero bytes).
char* base64_encode_bytes(const unsigned char* data, int len, int* outLen);

// Decodes the NUL-terminated `text`: every whole group of four characters
// gives three bytes ("=" and characters outside the alphabet count as 0);
// the length is 3 * (L / 4), less 2 when "==" occurs, else less 1 when "="
// occurs. A text shorter than four characters decodes to nothing. The bytes
// are followed by one zero byte; *outLen receives their count.
unsigned char* base64_decode(const char* text, int* outLen);
