#pragma once
// The two looping animations: the sign-in dialog's wait and the camera
// tile's "playing" mark. Both are a ring of dots whose bright head runs
// round clockwise, the tail fading behind it.

#include "gif_writer.h"

namespace assets {

GifAnimation loginAnimation();    // 640 x 300 on white
GifAnimation playingAnimation();  // 34 x 42, transparent, over a picture

}  // namespace assets
