#include "picture_size.h"

#include <vector>

#include "av_handles.h"

namespace kvmedia {

bool probePictureSize(AVCodecID codec, const uint8_t* data, int size, int* width, int* height) {
  ParserPtr parser(av_parser_init(codec));
  CodecContextPtr ctx(avcodec_alloc_context3(nullptr));
  if (!parser || !ctx || size <= 0) return false;
  parser->flags |= PARSER_FLAG_COMPLETE_FRAMES;
  std::vector<uint8_t> padded(data, data + size);
  padded.resize(static_cast<size_t>(size) + AV_INPUT_BUFFER_PADDING_SIZE, 0);
  uint8_t* out = nullptr;
  int outSize = 0;
  av_parser_parse2(parser.get(), ctx.get(), &out, &outSize, padded.data(), size, AV_NOPTS_VALUE,
                   AV_NOPTS_VALUE, 0);
  if (parser->width <= 0 || parser->height <= 0) return false;
  *width = parser->width;
  *height = parser->height;
  return true;
}

}  // namespace kvmedia
