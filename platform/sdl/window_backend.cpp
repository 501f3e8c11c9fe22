// The real window over SDL2, tying its parts together: SDL's video started, the window made where start-up
// will want it, events read (on X11 by waiting on the display connection) and handed to the input rules
// and the geometry, tooltips on a wait timeout, and frames drawn only when something changed and then no
// more often than the display refreshes.
#include "platform/sdl/window_backend.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/media/sdl_subsystems.h"
#include "platform/runtime/app.h"
#include "platform/runtime/display.h"
#include "platform/runtime/input.h"
#include "platform/sdl/display_wait.h"
#include "platform/sdl/gamepad.h"
#include "platform/sdl/heap_policy.h"
#include "platform/sdl/input_translation.h"
#include "platform/sdl/renderer.h"
#include "platform/sdl/video_start.h"
#include "platform/sdl/window_geometry.h"
#include "platform/sdl/x11_desktop.h"

namespace platform {

namespace {

constexpr int kDefaultRefreshHz = 60;
// A display that reports a very low rate (or nonsense) must not make the window sluggish.
constexpr int kLongestFrameMs = 1000 / 30;

// Nothing could ever be shown: a game in an empty window would only leave the player guessing.
[[noreturn]] void endForWantOfDrawing() {
  reportProblem(std::string("cannot draw in the window: ") + SDL_GetError());
  flushProblems();
  std::exit(1);
}

}  // namespace

struct WindowBackend::Impl {
  Form& form;
  EventLoop& loop;
  SDL_Window* window = nullptr;
  SDL_Renderer* sdlRenderer = nullptr;
  std::unique_ptr<Renderer> renderer;
  std::unique_ptr<DisplayWait> displayWait;
  std::unique_ptr<WindowGeometry> geometry;
  std::unique_ptr<Gamepads> pads;
  int64_t padsReadMs = 0;  // when SDL was last asked for the pads' events
  bool videoStarted = false;

  // Drawing.
  uint64_t drawnSerial = 0;
  bool needsDraw = true;
  std::string shownCaption;
  // Pacing, on the loop's clock. The power timer ticks every 10 ms while the display shows a frame every
  // 16.7 ms: a frame per change would draw frames no one ever sees.
  int frameIntervalMs = (1000 + kDefaultRefreshHz - 1) / kDefaultRefreshHz;
  int64_t lastFrameMs = 0;
  uint64_t frames = 0;

  // The pointer and keyboard rules.
  Input input;

  Impl(Form& f, EventLoop& l) : form(f), loop(l), input(f) {
    input.onTooltipChanged = [this] { needsDraw = true; };
  }

  ~Impl() {
    form.onGeometryRequest = nullptr;
    form.onShowRequest = nullptr;
    form.onFullscreenRequest = nullptr;
    renderer.reset();
    geometry.reset();
    pads.reset();
    if (sdlRenderer) SDL_DestroyRenderer(sdlRenderer);
    if (window) SDL_DestroyWindow(window);
    if (videoStarted) stopSdlSubsystems(SDL_INIT_VIDEO);
  }

  bool createWindow(std::string* error);
  void show();
  void dispatch(const SDL_Event& e);
  void windowEvent(const SDL_WindowEvent& e);
  void drawFrame();
  int64_t padsDueInMs() const;

  void apply() {
    if (geometry) geometry->apply();
  }

  void deliver(InputEvent e) {
    e.timeMs = loop.nowMs();
    const WindowRect c = geometry ? geometry->clientRect() : WindowRect{};
    e.x -= static_cast<float>(c.x);
    e.y -= static_cast<float>(c.y);
    input.handle(e);
  }

  void closeRequested() {
    bool closed = true;
    runGuarded("unload", [&] { closed = form.Unload(); });
    if (closed) loop.quit();  // ShutDown normally ends the program itself; the window is gone either way
  }

  bool frameWanted() const {
    return window && form.shown() && (needsDraw || form.changeSerial() != drawnSerial);
  }

  // Milliseconds until the next frame may be drawn (0: now).
  int64_t frameWaitMs() const {
    if (frames == 0) return 0;
    return std::max<int64_t>(0, lastFrameMs + frameIntervalMs - loop.nowMs());
  }

  // One refresh of the display the window is on, rounded up to whole milliseconds.
  void readRefreshRate() {
    SDL_DisplayMode mode;
    const int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
    int hz = kDefaultRefreshHz;
    if (SDL_GetDesktopDisplayMode(std::max(0, display), &mode) == 0 && mode.refresh_rate > 0) {
      hz = mode.refresh_rate;
    }
    frameIntervalMs = std::min(kLongestFrameMs, (1000 + hz - 1) / hz);
  }

  void updateIcon() {
    const Image& icon = form.Icon();
    if (icon.empty()) return;
    SDL_Surface* s =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(icon.pixels.data()), icon.width, icon.height,
                                           32, icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return;
    SDL_SetWindowIcon(window, s);
    SDL_FreeSurface(s);
  }
};

// Created hidden, already at the shape and place start-up will give it, so that no window manager ever
// shows a window of another shape or place.
bool WindowBackend::Impl::createWindow(std::string* error) {
  SDL_DisplayMode mode;
  const bool haveMode = SDL_GetDesktopDisplayMode(0, &mode) == 0;
  const WindowRect g = haveMode ? initialWindowRect(mode.w, mode.h) : initialWindowRect(0, 0);
  window =
      SDL_CreateWindow(form.Caption().c_str(), g.x, g.y, g.w, g.h, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
  if (!window) {
    if (error) *error = SDL_GetError();
    return false;
  }
  // Twips and points follow the desktop's text scaling; the screen's twips follow from it.
  setDisplayDpi(desktopDpi(window));
  if (haveMode) form.setScreenSizePx(mode.w, mode.h);
  return true;
}

void WindowBackend::Impl::show() {
  geometry->requestApply();
  geometry->apply();
  // The renderer is made here, at the size start-up gave the window, not at creation: it makes the
  // window's pixel buffer (megabytes in a large window), and one made before the layout's first resize
  // would be made twice.
  if (!sdlRenderer) {
    sdlRenderer = SDL_CreateRenderer(window, -1, 0);
    if (!sdlRenderer) sdlRenderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (!sdlRenderer) endForWantOfDrawing();
    renderer = std::make_unique<Renderer>(sdlRenderer);
  }
  updateIcon();
  SDL_ShowWindow(window);
  // Where the window manager reports its frame at once, the first layout already fits the client area.
  geometry->noteWindowEvent();
  geometry->reconcile();
  geometry->apply();
  needsDraw = true;
}

void WindowBackend::Impl::windowEvent(const SDL_WindowEvent& e) {
  // Size, place and frame are settled once the whole batch is read: the window manager tells its frame
  // with no event of its own, and a maximise arrives as several events.
  if (e.event != SDL_WINDOWEVENT_CLOSE) geometry->noteWindowEvent();
  switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
      closeRequested();
      break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESIZED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      needsDraw = true;
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      form.setWindowState(WindowState::Minimized);
      break;
    case SDL_WINDOWEVENT_MAXIMIZED:
      form.setWindowState(WindowState::Maximized);
      break;
    case SDL_WINDOWEVENT_RESTORED:
      form.setWindowState(WindowState::Normal);
      needsDraw = true;
      break;
    case SDL_WINDOWEVENT_DISPLAY_CHANGED:
      readRefreshRate();
      break;
    default:
      break;
  }
}

void WindowBackend::Impl::dispatch(const SDL_Event& e) {
  if (e.type == SDL_QUIT) {
    closeRequested();
    return;
  }
  if (e.type == SDL_WINDOWEVENT) {
    if (e.window.windowID != SDL_GetWindowID(window)) return;
    windowEvent(e.window);
  }
  InputEvent in;
  if (translateInput(e, &in) || (pads && pads->translate(e, &in))) deliver(in);
}

// Milliseconds until the pads are due to be read (-1: never), so that the wait ends in time for it.
int64_t WindowBackend::Impl::padsDueInMs() const {
  const int interval = pads ? pads->pollIntervalMs() : -1;
  if (interval < 0) return -1;
  return std::max<int64_t>(0, padsReadMs + interval - loop.nowMs());
}

WindowBackend::WindowBackend(Form& form, EventLoop& loop) : impl_(std::make_unique<Impl>(form, loop)) {}

WindowBackend::~WindowBackend() = default;

bool WindowBackend::open(std::string* error) {
  Impl& d = *impl_;
  // Before anything large is allocated: start-up's pictures and the first frames live by it.
  fixLargeBufferPolicy();
  if (!startVideo(error)) return false;
  d.videoStarted = true;
  if (!d.createWindow(error)) return false;
  d.geometry = std::make_unique<WindowGeometry>(d.form, d.window);
  d.shownCaption = d.form.Caption();
  d.readRefreshRate();
  d.displayWait = std::make_unique<DisplayWait>(d.window);
  d.pads = std::make_unique<Gamepads>();
  d.updateIcon();
  // Fonts are looked up when the first caption is drawn, not here: the title shows none.
  d.form.onGeometryRequest = [&d] { d.geometry->requestApply(); };
  d.form.onFullscreenRequest = [&d] {
    if (d.geometry->followFullscreen()) d.needsDraw = true;
  };
  d.form.onShowRequest = [&d] { d.show(); };
  return true;
}

void WindowBackend::waitAndDispatch(int timeoutMs) {
  Impl& d = *impl_;
  d.apply();
  int timeout = timeoutMs;
  const int64_t tipDue = d.input.tooltipDueMs();
  if (tipDue >= 0) {
    const int left = static_cast<int>(std::clamp<int64_t>(tipDue - d.loop.nowMs(), 0, INT32_MAX));
    timeout = timeout < 0 ? left : std::min(timeout, left);
  }
  // A frame held back by the pacing is drawn when its turn comes, not at the next input or timer.
  if (d.frameWanted()) {
    const int left = static_cast<int>(d.frameWaitMs());
    timeout = timeout < 0 ? left : std::min(timeout, left);
  }
  const int64_t padsDue = d.padsDueInMs();
  if (padsDue >= 0) {
    const int left = static_cast<int>(std::min<int64_t>(padsDue, INT32_MAX));
    timeout = timeout < 0 ? left : std::min(timeout, left);
  }
  SDL_Event e;
  // Blocks until input or the timeout: no polling while the game idles. On X11 the wait is on the
  // display connection itself, and SDL is pumped only on a wake that brought something (then after
  // each event, as SDL's own changes of the window, leaving fullscreen among them, need): a timer's
  // wake leaves the window system alone. SDL's own wait would pump several times per wake and, for every
  // event it reads while waiting, send a wake-up message to the window over a second connection of its
  // own; the one sent for the close could reach the server after the window was destroyed, and the
  // BadWindow error it earns surfaced when SDL closed that connection, through Xlib's default handler,
  // which ends the program with status 1.
  const bool waitOnDisplay = d.displayWait && d.displayWait->active();
  const bool woke = !waitOnDisplay || d.displayWait->wait(timeout);
  // A pad's buttons and plugging reach SDL only when it is pumped, on the pads' own schedule.
  const bool padsDueNow = padsDue >= 0 && d.padsDueInMs() == 0;
  if (padsDueNow) {
    d.pads->lookForPads();
    d.padsReadMs = d.loop.nowMs();
  }
  bool got = false;
  if (waitOnDisplay) {
    if (woke || (padsDueNow && d.pads->started())) got = SDL_PollEvent(&e) == 1;
  } else {
    got = SDL_PollEvent(&e) == 1;
    if (!got && timeout != 0) got = SDL_WaitEventTimeout(&e, timeout) == 1;
  }
  if (got) {
    d.dispatch(e);
    while (!d.loop.quitting() && SDL_PollEvent(&e) == 1) d.dispatch(e);
  }
  if (d.geometry) d.geometry->reconcile();
  d.input.showDueTooltip(d.loop.nowMs());
  d.apply();
}

void WindowBackend::presentIfChanged() {
  Impl& d = *impl_;
  if (!d.window) return;
  d.apply();
  if (d.form.Caption() != d.shownCaption) {
    d.geometry->refresh();
    d.shownCaption = d.form.Caption();
    SDL_SetWindowTitle(d.window, d.shownCaption.c_str());
  }
  if (!d.form.shown() || !d.renderer) return;
  d.input.showDueTooltip(d.loop.nowMs());  // drops a tooltip whose control went away
  if (!d.frameWanted()) return;
  if (d.frameWaitMs() > 0) return;  // the next wait ends in time for it
  d.drawFrame();
}

void WindowBackend::Impl::drawFrame() {
  lastFrameMs = loop.nowMs();
  // Exposed, resized, restored or a tooltip come or gone: the window's content as a whole is new.
  const bool whole = needsDraw;
  if (whole) renderer->redrawAll();
  needsDraw = false;
  drawnSerial = form.changeSerial();
  int winW = 0, winH = 0, outW = 0, outH = 0;
  SDL_GetWindowSize(window, &winW, &winH);
  SDL_GetRendererOutputSize(sdlRenderer, &outW, &outH);
  const float scale = winW > 0 && outW > 0 ? static_cast<float>(outW) / static_cast<float>(winW) : 1.0f;
  TooltipView tip;
  tip.text = input.tooltipText();
  tip.pointerX = input.tooltipX();
  tip.pointerY = input.tooltipY();
  // In fullscreen the game's window is drawn where its layout put it on the screen, with black around.
  if (geometry->fullscreen()) {
    if (whole) {
      SDL_RenderSetViewport(sdlRenderer, nullptr);
      SDL_RenderSetClipRect(sdlRenderer, nullptr);
      SDL_SetRenderDrawColor(sdlRenderer, 0, 0, 0, 255);
      SDL_RenderClear(sdlRenderer);
    }
    const WindowRect c = geometry->clientRect();
    const SDL_Rect viewport{
        static_cast<int>(std::lround(c.x * scale)), static_cast<int>(std::lround(c.y * scale)),
        static_cast<int>(std::lround(c.w * scale)), static_cast<int>(std::lround(c.h * scale))};
    SDL_RenderSetViewport(sdlRenderer, &viewport);
  } else {
    SDL_RenderSetViewport(sdlRenderer, nullptr);
  }
  renderer->draw(form, tip.text.empty() ? nullptr : &tip, scale);
  ++frames;
}

std::string WindowBackend::tooltipText() const { return impl_->input.tooltipText(); }

uint64_t WindowBackend::framesDrawn() const { return impl_->frames; }

int WindowBackend::frameIntervalMs() const { return impl_->frameIntervalMs; }

SDL_Window* WindowBackend::sdlWindow() const { return impl_->window; }

}  // namespace platform
