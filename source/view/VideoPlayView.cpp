#include "view/VideoPlayView.h"

#include <SDL.h>

#include <QDebug>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <cstring>

#include "device/play_view_camera.h"
#include "event/play_state.h"
#include "event/shell.h"
#include "view/letterbox.h"
#include "view/ptz_pad_host.h"
#include "view/render_driver.h"

int SDLRenderWnd::renderWndCount = 0;

namespace {

constexpr unsigned kGlRenderer = 0x1F01;  // GL_RENDERER

// What the renderer's OpenGL says of itself (empty for a renderer of no GL).
QByteArray glRendererOf(SDL_Renderer* renderer) {
  SDL_RendererInfo info{};
  if (SDL_GetRendererInfo(renderer, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0) return {};
  using GetString = const unsigned char* (*)(unsigned);
  auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  const unsigned char* name = getString ? getString(kGlRenderer) : nullptr;
  return name ? QByteArray(reinterpret_cast<const char*>(name)) : QByteArray();
}

// Decided by the first render widget for the program's life: SDL's software
// renderer in place of a software-rasterized GPU renderer.
bool g_softwareChosen = false;

}  // namespace

SDL_Renderer* SDLRenderWnd::makeRenderer() {
  const bool driverGiven = !qEnvironmentVariableIsEmpty("SDL_RENDER_DRIVER");
  if (!g_softwareChosen || driverGiven) {
    SDL_Renderer* r = SDL_CreateRenderer(m_pWindow, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!r || driverGiven) return r;
    const QByteArray gl = glRendererOf(r);
    if (!isSoftwareRasterizer(gl.constData())) return r;
    SDL_DestroyRenderer(r);
    g_softwareChosen = true;
    qDebug() << "SDLRenderWnd" << "OpenGL is a software rasterizer (" << gl
             << "): the pictures are drawn by SDL's software renderer";
  }
  // SDL would otherwise show a software renderer's window surface through a
  // GL texture of its own: the same rasterizer again. Set at every creation:
  // SDL forgets its hints whenever the last render widget shuts it down.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  return SDL_CreateRenderer(m_pWindow, -1, SDL_RENDERER_SOFTWARE);
}

SDLRenderWnd::SDLRenderWnd(QWidget* parent) : QWidget(parent) {
  setUpdatesEnabled(false);
  setAttribute(Qt::WA_NativeWindow);
  setAttribute(Qt::WA_PaintOnScreen);
  setAttribute(Qt::WA_NoSystemBackground);
  if (renderWndCount++ == 0) {
    // SDL must not take SIGINT/SIGTERM from the program.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_Init(SDL_INIT_VIDEO);
  }
  if (QGuiApplication::platformName() != QLatin1String("xcb")) {
    // Any other platform's window id is no X window SDL could bind.
    qDebug() << "SDLRenderWnd" << "no SDL window on platform" << QGuiApplication::platformName();
  } else {
    m_pWindow = SDL_CreateWindowFrom(reinterpret_cast<void*>(winId()));
  }
  if (!m_pWindow) {
    qDebug() << "SDLRenderWnd" << "m_pWindow is null SDL_CreateWindowFrom err" << SDL_GetError();
    return;
  }
  // SDL raises a window it takes as not resizable each time it is told its
  // size, above what the play view shows over the video (the record-time
  // badge); as resizable it only resizes it.
  SDL_SetWindowResizable(m_pWindow, SDL_TRUE);
  m_pRender = makeRenderer();
  if (!m_pRender) qDebug() << "SDLRenderWnd" << "m_pRender is null SDL_CreateRenderer err" << SDL_GetError();
}

SDLRenderWnd::~SDLRenderWnd() {
  if (m_pTexture) SDL_DestroyTexture(m_pTexture);
  if (m_pRender) SDL_DestroyRenderer(m_pRender);
  if (m_pWindow) SDL_DestroyWindow(m_pWindow);
  m_pTexture = nullptr;
  m_pRender = nullptr;
  m_pWindow = nullptr;
  if (--renderWndCount == 0) SDL_Quit();
}

QString SDLRenderWnd::rendererName() const {
  SDL_RendererInfo info{};
  if (!m_pRender || SDL_GetRendererInfo(m_pRender, &info) != 0) return QString();
  return QString::fromLatin1(info.name);
}

QRect SDLRenderWnd::targetRect() const { return letterboxRect(width(), height()); }

void SDLRenderWnd::tellSdlTheSize() {
  if (!m_pWindow) return;
  const qreal ratio = devicePixelRatioF();
  const QSize size(int(width() * ratio), int(height() * ratio));
  if (size == m_sdlSize) return;
  m_sdlSize = size;
  SDL_SetWindowSize(m_pWindow, size.width(), size.height());
}

void SDLRenderWnd::shownPictureSize(int* width, int* height) const {
  const qreal ratio = devicePixelRatioF();
  const QRect r = targetRect();
  *width = int(r.width() * ratio);
  *height = int(r.height() * ratio);
}

void SDLRenderWnd::PresentFrame(const unsigned char* yuv, int width, int height) {
  const QRect r = targetRect();
  m_nFrameWidth = width;
  m_nFrameHeight = height;
  if (!m_pRender) {
    qDebug() << "PresentFrame" << "Render not Create";
    return;
  }
  int texW = 0, texH = 0;
  if (m_pTexture) SDL_QueryTexture(m_pTexture, nullptr, nullptr, &texW, &texH);
  if (texW != width || texH != height) {
    if (m_pTexture) SDL_DestroyTexture(m_pTexture);
    m_pTexture = SDL_CreateTexture(m_pRender, SDL_PIXELFORMAT_IYUV, SDL_TEXTUREACCESS_STREAMING,
                                   width, height);
  }
  if (!m_pTexture) {
    qDebug() << "PresentFrame" << "YUV Texture Create Failed";
    return;
  }
  tellSdlTheSize();
  const SDL_Rect dst{r.x(), r.y(), r.width(), r.height()};
  SDL_UpdateTexture(m_pTexture, nullptr, yuv, width);
  SDL_RenderClear(m_pRender);
  SDL_RenderCopy(m_pRender, m_pTexture, nullptr, &dst);
  SDL_RenderPresent(m_pRender);
}

void SDLRenderWnd::redraw_last_frame() {
  if (!m_pRender) return;
  tellSdlTheSize();
  if (!m_nFrameWidth || !m_nFrameHeight || !m_pTexture) {
    SDL_SetRenderDrawColor(m_pRender, 0, 0, 0, 255);
    SDL_RenderClear(m_pRender);
    SDL_RenderPresent(m_pRender);
    return;
  }
  // The bars around the picture are drawn too: whatever covered the
  // widget (a closed dialog) must not stay there.
  const QRect r = targetRect();
  const SDL_Rect dst{r.x(), r.y(), r.width(), r.height()};
  SDL_SetRenderDrawColor(m_pRender, 0, 0, 0, 255);
  SDL_RenderClear(m_pRender);
  SDL_RenderCopy(m_pRender, m_pTexture, nullptr, &dst);
  SDL_RenderPresent(m_pRender);
}

void SDLRenderWnd::resizeEvent(QResizeEvent*) {
  tellSdlTheSize();
  if (!m_rendering) redraw_last_frame();
}

void SDLRenderWnd::showEvent(QShowEvent*) {
  // The native window tells when the window system uncovered part of it.
  if (QWindow* native = windowHandle()) native->installEventFilter(this);
  // After the window system has mapped the window (the next turn of the
  // event loop); a play that draws by then needs nothing.
  QTimer::singleShot(0, this, [this] {
    if (!m_rendering && isVisible()) redraw_last_frame();
  });
}

bool SDLRenderWnd::eventFilter(QObject* watched, QEvent* event) {
  // Qt paints nothing here (updates are off), so an uncovered part of the
  // widget is drawn again by SDL: the last picture, or black. A play's next
  // picture would do it too, but a stalled stream or an empty cell sends none.
  if (event->type() == QEvent::Expose && watched == windowHandle() && isVisible()) {
    if (static_cast<QWindow*>(watched)->isExposed()) redraw_last_frame();
  }
  return QWidget::eventFilter(watched, event);
}

// The PTZ pad belongs to the camera's own play view and shows only over a
// single camera's video (never over group cells) of a camera with a PTZ head.
static PtzPadHost* ptzPadView(PlayViewCamera* camera, bool ptzWindowExist) {
  if (shell().playAreaState() != E_MAINWINDOW_ONEWINDOW_PLAYING) return nullptr;
  if (!ptzWindowExist || !camera) return nullptr;
  return camera->ownPtzPadHost();
}

void SDLRenderWnd::enterEvent(QEvent*) {
  if (PtzPadHost* view = ptzPadView(m_pDevice, m_ptzWindowExist)) view->showPtzPad();
}

void SDLRenderWnd::leaveEvent(QEvent*) {
  if (PtzPadHost* view = ptzPadView(m_pDevice, m_ptzWindowExist)) view->hidePtzPadUnlessPointerOver();
}
