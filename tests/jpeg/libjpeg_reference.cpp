#include "libjpeg_reference.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <algorithm>

#include <jpeglib.h>

namespace libjpeg_reference {

namespace {

struct ErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  std::string message;
  std::string firstWarning;
};

std::string messageOf(j_common_ptr info) {
  char text[JMSG_LENGTH_MAX] = {};
  (*info->err->format_message)(info, text);
  return text;
}

[[noreturn]] void onError(j_common_ptr info) {
  ErrorTrap* trap = reinterpret_cast<ErrorTrap*>(info->err);
  trap->message = messageOf(info);
  std::longjmp(trap->jump, 1);
}

void onOutput(j_common_ptr info) {
  ErrorTrap* trap = reinterpret_cast<ErrorTrap*>(info->err);
  if (trap->firstWarning.empty()) trap->firstWarning = messageOf(info);
}

void installTrap(ErrorTrap& trap) {
  jpeg_std_error(&trap.manager);
  trap.manager.error_exit = onError;
  trap.manager.output_message = onOutput;
}

void fillYCbCrRow(const I420Picture& picture, int row, std::vector<uint8_t>& line) {
  const int cw = picture.width / 2;
  const uint8_t* y = picture.y() + static_cast<std::size_t>(row) * picture.width;
  const uint8_t* u = picture.u() + static_cast<std::size_t>(row / 2) * cw;
  const uint8_t* v = picture.v() + static_cast<std::size_t>(row / 2) * cw;
  for (int c = 0; c < picture.width; ++c) {
    line[3 * c] = y[c];
    line[3 * c + 1] = u[c / 2];
    line[3 * c + 2] = v[c / 2];
  }
}

}  // namespace

void disableSimd() { setenv("JSIMD_FORCENONE", "1", 1); }

std::vector<uint8_t> encode(const I420Picture& picture, int quality) {
  jpeg_compress_struct info{};
  ErrorTrap trap;
  installTrap(trap);
  info.err = &trap.manager;
  unsigned char* memory = nullptr;
  unsigned long memorySize = 0;
  std::vector<uint8_t> line(static_cast<std::size_t>(picture.width) * 3);
  std::vector<uint8_t> result;
  if (setjmp(trap.jump) == 0) {
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &memory, &memorySize);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = 3;
    info.in_color_space = JCS_YCbCr;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.dct_method = JDCT_FLOAT;
    info.optimize_coding = FALSE;
    for (int c = 0; c < info.num_components; ++c) {
      info.comp_info[c].h_samp_factor = 1;
      info.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
      fillYCbCrRow(picture, static_cast<int>(info.next_scanline), line);
      JSAMPROW row = line.data();
      jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    result.assign(memory, memory + memorySize);
  } else {
    std::fprintf(stderr, "libjpeg encode failed: %s\n", trap.message.c_str());
  }
  jpeg_destroy_compress(&info);
  std::free(memory);
  return result;
}

Decoded decode(const std::vector<uint8_t>& jpeg) {
  jpeg_decompress_struct info{};
  ErrorTrap trap;
  installTrap(trap);
  info.err = &trap.manager;
  Decoded decoded;
  if (setjmp(trap.jump) == 0) {
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_YCbCr;
    jpeg_start_decompress(&info);
    decoded.width = static_cast<int>(info.output_width);
    decoded.height = static_cast<int>(info.output_height);
    decoded.components = info.output_components;
    const std::size_t stride = static_cast<std::size_t>(decoded.width) * decoded.components;
    decoded.pixels.resize(stride * decoded.height);
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = decoded.pixels.data() + stride * info.output_scanline;
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    decoded.ok = true;
  } else {
    decoded.error = trap.message;
  }
  decoded.warnings = trap.manager.num_warnings;
  decoded.firstWarning = trap.firstWarning;
  jpeg_destroy_decompress(&info);
  return decoded;
}

std::vector<uint8_t> withSortedHuffmanTables(const std::vector<uint8_t>& jpeg) {
  // Marker segments up to SOS; the scan and what follows are kept as they are.
  std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + std::min<std::size_t>(2, jpeg.size()));
  std::vector<std::vector<uint8_t>> tables;
  auto flushTables = [&] {
    std::stable_sort(tables.begin(), tables.end(),
                     [](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
                       return a[4] < b[4];
                     });
    for (const auto& table : tables) out.insert(out.end(), table.begin(), table.end());
    tables.clear();
  };
  std::size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
    const std::size_t length = 2u + ((static_cast<std::size_t>(jpeg[at + 2]) << 8) | jpeg[at + 3]);
    if (at + length > jpeg.size() || length < 5) break;
    std::vector<uint8_t> segment(jpeg.begin() + at, jpeg.begin() + at + length);
    if (jpeg[at + 1] == 0xC4) {
      tables.push_back(std::move(segment));
    } else {
      flushTables();
      out.insert(out.end(), segment.begin(), segment.end());
    }
    at += length;
  }
  flushTables();
  out.insert(out.end(), jpeg.begin() + std::min(at, jpeg.size()), jpeg.end());
  return out;
}

}  // namespace libjpeg_reference
