// SDLRenderWnd: the widget a camera's live picture is drawn in. An SDL
// window and renderer are bound to the widget's own native window; every
// picture (I420) is stretched into a 16:9 rectangle centred in the widget.
// All calls come on the GUI thread.
//
// SDL can bind only a real X window: the SDL window is made only on the xcb
// platform (elsewhere winId() is a fake id and binding it kills the process)
// and when SDL's video driver accepts it (with SDL_VIDEODRIVER=dummy it does
// not). Otherwise the failure is logged once and nothing is drawn.
#pragma once

#include <QWidget>

#include "device/video_render_target.h"

struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Window;
class PlayViewCamera;

class SDLRenderWnd : public QWidget, public VideoRenderTarget {
  Q_OBJECT

 public:
  explicit SDLRenderWnd(QWidget* parent = nullptr);
  ~SDLRenderWnd() override;

  void PresentFrame(const unsigned char* yuv, int width, int height) override;
  // The picture rectangle's size in device pixels (targetRect).
  void shownPictureSize(int* width, int* height) const override;
  // Shows the last uploaded picture again at the current size, black
  // around it; all black before the first picture. Also whenever the window
  // system uncovers part of the widget (a dialog closed over it).
  void redraw_last_frame();

  void set_ptzWindow_exist(bool exist) { m_ptzWindowExist = exist; }
  bool ptzWindow_exist() const { return m_ptzWindowExist; }

  // A play starts / stops drawing here. While none draws, a resize redraws
  // the last picture at the new size (a playing camera's next frame does it).
  void start_render() override { m_rendering = true; }
  void stop_render() override { m_rendering = false; }

  // Qt never paints this widget: SDL does.
  QPaintEngine* paintEngine() const override { return nullptr; }

  bool sdlReady() const { return m_pRender != nullptr; }
  // The SDL renderer drawing here ("software", "opengl", ...; empty: none).
  QString rendererName() const;
  // The rectangle pictures are drawn into, for the current size.
  QRect targetRect() const;

  // Live render widgets (GUI thread only): SDL is up while it is not 0.
  static int renderWndCount;

  PlayViewCamera* m_pDevice = nullptr;  // camera shown here; not owned

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // A native window without a background shows whatever the screen held
  // under it until something is drawn (an empty grid cell showed the
  // picture of the view shown there before): once shown, it is drawn.
  void showEvent(QShowEvent* event) override;
  // Expose events of the widget's native window (see redraw_last_frame).
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The PTZ pad of a single-camera view of a PTZ camera is shown when the
  // mouse enters the video and hidden, with a stop, when it leaves it.
  void enterEvent(QEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  // The renderer for the SDL window (view/render_driver.h).
  SDL_Renderer* makeRenderer();
  // SDL never hears of a foreign window's new size by itself: told when
  // the widget's size changed (each telling costs X round trips).
  void tellSdlTheSize();

  SDL_Renderer* m_pRender = nullptr;
  SDL_Texture* m_pTexture = nullptr;
  SDL_Window* m_pWindow = nullptr;
  int m_nFrameWidth = 0;
  int m_nFrameHeight = 0;
  bool m_ptzWindowExist = false;
  bool m_rendering = false;
  QSize m_sdlSize;  // the size SDL was last told
};
