// Helpers shared by the JPEG encoder tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "test_pictures.h"

// Our encoder on a picture at quality 75 through the I420 entry point, with
// room for any output. Empty on failure (the result code is in *result).
std::vector<uint8_t> encodeWithOurs(const I420Picture& picture, int* result = nullptr);

// Where two byte strings first differ, for failure messages.
std::string firstDifference(const std::vector<uint8_t>& ours, const std::vector<uint8_t>& theirs);
