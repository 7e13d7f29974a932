// What the render widget and the PTZ pad of a camera's own play view ask of
// that view: the pad shown over the video (the pointer came onto it), hidden
// and stopped unless the pointer is still over the video or the pad (it
// left), and the video told that the pointer left the pad. The play view
// implements it; the two hold it through the camera (PlayViewCamera), so
// neither includes the view that holds them.
//
// GUI thread only.
#pragma once

class PtzPadHost {
 public:
  virtual ~PtzPadHost() = default;
  virtual void showPtzPad() = 0;
  virtual void hidePtzPadUnlessPointerOver() = 0;
  virtual void pointerLeftPtzPad() = 0;
};
