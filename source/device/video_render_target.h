// Where the display tick puts a picture: the render widget (SDLRenderWnd)
// or, in tests, anything that keeps the frames in memory.
#pragma once

class VideoRenderTarget {
 public:
  virtual ~VideoRenderTarget() = default;
  // One I420 picture: Y (width x height), then U, then V (each
  // (width/2) x (height/2)), rows without padding.
  virtual void PresentFrame(const unsigned char* yuv, int width, int height) = 0;
  // A play starts / stops drawing here.
  virtual void start_render() {}
  virtual void stop_render() {}
  // The size pictures are shown at, in pixels (0 x 0: not known, or as
  // big as they come): a smaller picture is enough here.
  virtual void shownPictureSize(int* width, int* height) const {
    *width = 0;
    *height = 0;
  }
};
