// Baseline JPEG encoder for decoded camera pictures (snapshots, thumbnails).
// Output: a JFIF file, sequential baseline, 8-bit, three components each
// sampled 1x1 (the chroma planes are enlarged to full size), Huffman tables
// and quantisation bases of T.81 Annex K, AAN float DCT.
#pragma once

#include <cstdint>

// Result codes of both functions.
enum JpegEncodeResult {
  JPEG_ENCODE_OK = 0,
  JPEG_ENCODE_BAD_ARGUMENT = -3,   // null pointer, a size that is not even and 2..65534,
                                   // or input shorter than the picture
  JPEG_ENCODE_SMALL_CAPACITY = -4, // the declared capacity is below width x height x 1.5
  JPEG_ENCODE_OUTPUT_FULL = -5,    // the JPEG would be longer than the declared capacity
};

// Encodes one I420 picture (Y plane, then U, then V, each without row padding)
// at quality 75. yuvLength: the bytes at yuv, at least width x height x 1.5.
// *inOutSize: in, the capacity of out; out, the JPEG length (changed only on
// success). On -5 the bytes up to the capacity hold an incomplete file;
// nothing beyond the capacity is written.
int yuv420_to_jpeg(const uint8_t* yuv, int yuvLength, char* out, uint32_t* inOutSize, int width,
                   int height);

// Encodes Y (rows `step` bytes apart) with U and V of half size in both
// directions (rows step / 2 bytes apart) at the given quality (1..100; lower
// values are taken as 5000 % of the base tables, higher ones as the flattest
// tables). Pictures whose size is not a multiple of 8 are padded to whole
// blocks by repeating the last column and row; the frame header carries the
// true size. *inOutSize as above.
int jpeg_encode_planes(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width, int height,
                       int quality, int step, uint8_t* out, uint32_t* inOutSize);
