// The real window over SDL2: input to control notifications, geometry kept in step with the Form without
// fighting the window manager, tooltips on a wait timeout, and frames drawn only when something changed
// and then no more often than the display refreshes.
#include "platform/sdl/window_backend.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>

#include "platform/runtime/app.h"
#include "platform/runtime/label.h"
#include "platform/runtime/option_button.h"
#include "platform/runtime/picture_box.h"
#include "platform/sdl/fonts.h"
#include "platform/sdl/renderer.h"

namespace platform {

namespace {

constexpr int kTooltipDelayMs = 500;
constexpr int kDisplayAttempts = 5;
constexpr int kDisplayRetryMs = 100;
constexpr int kDefaultRefreshHz = 60;
// A display that reports a very low rate (or nonsense) must not make the window sluggish.
constexpr int kLongestFrameMs = 1000 / 30;

struct Geometry {
  int x = 0, y = 0, w = 0, h = 0;  // client area in screen pixels
  bool operator==(const Geometry&) const = default;
};

int twipsToPx(int32_t twips) {
  return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

// The topmost visible control under (x, y) within c, which itself contains the point; c when no child
// does. Children are kept back to front, so the search runs front to back.
Control* hitTest(Control& c, float x, float y) {
  const auto& kids = c.children();
  for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
    Control* child = *it;
    if (child->Visible() && child->windowRect().contains(x, y)) return hitTest(*child, x, y);
  }
  return &c;
}

int16_t shiftState() {
  const SDL_Keymod mod = SDL_GetModState();
  int16_t s = 0;
  if (mod & KMOD_SHIFT) s |= 1;
  if (mod & KMOD_CTRL) s |= 2;
  if (mod & KMOD_ALT) s |= 4;
  return s;
}

// Run a notification of the game; a failure inside it is named on stderr and the window carries on.
template <typename F>
void guarded(const char* what, F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    reportProblem(std::string(what) + ": " + e.what());
  }
}

}  // namespace

struct WindowBackend::Impl {
  Form& form;
  EventLoop& loop;
  SDL_Window* window = nullptr;
  SDL_Renderer* sdlRenderer = nullptr;
  std::unique_ptr<Renderer> renderer;
  bool videoStarted = false;

  // Drawing.
  uint64_t drawnSerial = 0;
  bool needsDraw = true;
  std::string shownCaption;
  // Pacing, on the loop's clock. The power timer ticks every 10 ms while the display shows a frame every
  // 16.7 ms: a frame per change would draw frames no one ever sees.
  int frameIntervalMs = (1000 + kDefaultRefreshHz - 1) / kDefaultRefreshHz;
  int64_t lastFrameMs = 0;

  // Geometry. known: the client rectangle as it stood after we last looked or asked; a window that
  // differs from it was moved or sized by someone else. lastSent/answer: our last request and what the
  // window manager made of it at once.
  bool geometryPending = false;  // the game changed the Form's geometry since we last applied it
  bool geometryEvent = false;    // the window system said something about size, place or frame
  Geometry known;
  bool haveSent = false;
  Geometry lastSent;
  Geometry answer;
  int frameL = 0, frameT = 0, frameR = 0, frameB = 0;

  // Mouse.
  Control* pressed = nullptr;  // label or option button the left button went down on
  bool pressedIsDoubleClick = false;
  float mouseX = 0, mouseY = 0;
  bool mouseInside = false;

  uint64_t frames = 0;

  // Tooltip.
  Control* hover = nullptr;
  uint64_t hoverSinceMs = 0;
  bool tipShown = false;
  bool tipSuppressed = false;  // after a click, until the pointer moves again

  Impl(Form& f, EventLoop& l) : form(f), loop(l) {}

  ~Impl() {
    form.onGeometryRequest = nullptr;
    form.onShowRequest = nullptr;
    renderer.reset();
    if (sdlRenderer) SDL_DestroyRenderer(sdlRenderer);
    if (window) SDL_DestroyWindow(window);
    if (videoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  Geometry actual() const {
    Geometry g;
    SDL_GetWindowPosition(window, &g.x, &g.y);
    SDL_GetWindowSize(window, &g.w, &g.h);
    return g;
  }

  // The client rectangle the Form's outer twips and the frame give.
  Geometry wanted() const {
    Geometry g;
    g.x = twipsToPx(form.WindowLeft()) + frameL;
    g.y = twipsToPx(form.WindowTop()) + frameT;
    g.w = std::max(1, twipsToPx(form.WindowWidth()) - frameL - frameR);
    g.h = std::max(1, twipsToPx(form.WindowHeight()) - frameT - frameB);
    return g;
  }

  void applyGeometry() {
    if (!geometryPending || !window) return;
    geometryPending = false;
    // A maximised or minimised window belongs to the window manager.
    if (form.windowState() != WindowState::Normal) return;
    const Geometry want = wanted();
    const Geometry now = actual();
    if (now == want) return;
    // The window manager already answered this very request with what the window has now (a tiling or
    // size-stepping manager): asking again would only start a loop of resizes.
    if (haveSent && want == lastSent && now == answer) return;
    if (now.w != want.w || now.h != want.h) SDL_SetWindowSize(window, want.w, want.h);
    if (now.x != want.x || now.y != want.y) SDL_SetWindowPosition(window, want.x, want.y);
    lastSent = want;
    haveSent = true;
    known = answer = actual();
  }

  // After a batch of window events: bring the Form in step with what the window system did.
  void reconcileGeometry() {
    if (!geometryEvent || !window) return;
    geometryEvent = false;
    int t = 0, l = 0, b = 0, r = 0;
    if (SDL_GetWindowBordersSize(window, &t, &l, &b, &r) != 0) t = l = b = r = 0;
    const bool hadFrame = frameT || frameL || frameB || frameR;
    const bool frameChanged = t != frameT || l != frameL || b != frameB || r != frameR;
    frameT = t, frameL = l, frameB = b, frameR = r;
    const Geometry now = actual();
    const bool sized = now.w != known.w || now.h != known.h;
    const bool moved = now.x != known.x || now.y != known.y;
    known = now;
    if (sized || (frameChanged && hadFrame)) {
      // The user or the window manager sized the window (or maximised it, which changes the frame too):
      // the game follows the window, and its layout may ask for another shape in return.
      geometryPending = false;
      guarded("resize", [&] {
        form.setFramePx(l, t, r, b);
        form.externalGeometry(now.x - l, now.y - t, now.w + l + r, now.h + t + b);
      });
    } else if (frameChanged) {
      // The window manager has just decorated the window: the game's outer size stays, so the client
      // area shrinks by the frame (as the old runtime's windows always did).
      guarded("resize", [&] { form.setFramePx(l, t, r, b); });
      geometryPending = true;
    } else if (moved && !geometryPending) {
      guarded("move", [&] {
        form.externalGeometry(now.x - l, now.y - t, twipsToPx(form.WindowWidth()),
                              twipsToPx(form.WindowHeight()));
      });
    }
  }

  void hideTooltip() {
    if (tipShown) needsDraw = true;
    tipShown = false;
  }

  bool tooltipWaiting() const {
    return hover && !tipShown && !tipSuppressed && mouseInside && !hover->ToolTipText().empty() &&
           hover->effectivelyVisible();
  }

  void pointerMoved(float x, float y) {
    mouseX = x;
    mouseY = y;
    mouseInside = true;
    hideTooltip();
    tipSuppressed = false;
    hover = hitTest(form, x, y);
    hoverSinceMs = SDL_GetTicks64();
  }

  void buttonDown(const SDL_MouseButtonEvent& e) {
    hideTooltip();
    tipSuppressed = true;
    int16_t button = 0;
    if (e.button == SDL_BUTTON_LEFT) button = 1;
    if (e.button == SDL_BUTTON_RIGHT) button = 2;
    if (e.button == SDL_BUTTON_MIDDLE) button = 4;
    if (button == 0) return;  // the old runtime knew three buttons
    const float x = static_cast<float>(e.x), y = static_cast<float>(e.y);
    Control* target = hitTest(form, x, y);
    if (target->kind() == ControlKind::PictureBox) {
      auto* box = static_cast<PictureBox*>(target);
      if (!box->onMouseDown) return;
      const RectF r = box->windowRect();
      const float inset = box->BorderStyle() ? static_cast<float>(PictureBox::kBorderPx) : 0.0f;
      const float ux = box->ScaleLeft() + box->toUnitsX(x - r.x - inset);
      const float uy = box->ScaleTop() + box->toUnitsY(y - r.y - inset);
      const int16_t shift = shiftState();
      guarded("mouse down", [&] { box->onMouseDown(button, shift, ux, uy); });
    } else if (button == 1 &&
               (target->kind() == ControlKind::Label || target->kind() == ControlKind::OptionButton)) {
      pressed = target;
      // The second press of a double click raises the double click, not a click: a double click on the
      // text steps once. A third press starts a new click.
      pressedIsDoubleClick = e.clicks % 2 == 0;
    }
  }

  void buttonUp(const SDL_MouseButtonEvent& e) {
    if (e.button != SDL_BUTTON_LEFT) return;
    Control* was = pressed;
    pressed = nullptr;
    if (!was) return;
    Control* target = hitTest(form, static_cast<float>(e.x), static_cast<float>(e.y));
    if (target != was) return;  // released elsewhere: no click, as with any button
    if (was->kind() == ControlKind::Label) {
      if (!pressedIsDoubleClick) guarded("click", [&] { static_cast<Label*>(was)->Click(); });
    } else if (was->kind() == ControlKind::OptionButton) {
      guarded("click", [&] { static_cast<OptionButton*>(was)->Click(); });
    }
  }

  void closeRequested() {
    bool closed = true;
    guarded("unload", [&] { closed = form.Unload(); });
    if (closed) loop.quit();  // ShutDown normally ends the program itself; the window is gone either way
  }

  void dispatch(const SDL_Event& e) {
    switch (e.type) {
      case SDL_QUIT:
        closeRequested();
        break;
      case SDL_WINDOWEVENT:
        if (e.window.windowID != SDL_GetWindowID(window)) break;
        // Size, place and frame are settled once the whole batch is read: the window manager tells its
        // frame with no event of its own, and a maximise arrives as several events.
        if (e.window.event != SDL_WINDOWEVENT_CLOSE) geometryEvent = true;
        switch (e.window.event) {
          case SDL_WINDOWEVENT_CLOSE:
            closeRequested();
            break;
          case SDL_WINDOWEVENT_EXPOSED:
            needsDraw = true;
            break;
          case SDL_WINDOWEVENT_SHOWN:
            needsDraw = true;
            break;
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
          case SDL_WINDOWEVENT_LEAVE:
            mouseInside = false;
            hover = nullptr;
            hideTooltip();
            break;
          default:
            break;
        }
        break;
      case SDL_MOUSEMOTION:
        pointerMoved(static_cast<float>(e.motion.x), static_cast<float>(e.motion.y));
        break;
      case SDL_MOUSEBUTTONDOWN:
        buttonDown(e.button);
        break;
      case SDL_MOUSEBUTTONUP:
        buttonUp(e.button);
        break;
      default:
        break;
    }
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

WindowBackend::WindowBackend(Form& form, EventLoop& loop) : impl_(std::make_unique<Impl>(form, loop)) {}

WindowBackend::~WindowBackend() = default;

bool WindowBackend::open(std::string* error) {
  Impl& d = *impl_;
  // A mostly still 2-D picture redrawn only on change: the software renderer is quick enough and spares
  // the memory and start-up time of a GL driver. SDL_RENDER_DRIVER in the environment still chooses.
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  // Otherwise SDL would back the window surface with a GL texture and load the whole GL stack (some
  // 80 MiB resident with Mesa) only to copy our frame.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // SIGTERM and SIGINT end the program where they find it; as quit events they would wait for a busy step.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // When the display refuses a connection for a moment (a busy X server), SDL quietly falls back to its
  // invisible off-screen driver and the game would run with no window at all: try the display again,
  // and use an invisible driver only when SDL_VIDEODRIVER asks for one (tests do).
  const bool driverChosen = SDL_getenv("SDL_VIDEODRIVER") != nullptr;
  for (int attempt = 1;; ++attempt) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      if (error) *error = SDL_GetError();
      return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool invisible =
        driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (!invisible || driverChosen) break;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (attempt == kDisplayAttempts) {
      if (error) *error = "no display could be opened";
      return false;
    }
    SDL_Delay(kDisplayRetryMs);
  }
  d.videoStarted = true;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0) d.form.setScreenSizePx(mode.w, mode.h);

  const Geometry g = d.wanted();
  d.window = SDL_CreateWindow(d.form.Caption().c_str(), g.x, g.y, g.w, g.h,
                              SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
  if (!d.window) {
    if (error) *error = SDL_GetError();
    return false;
  }
  d.known = d.actual();
  d.shownCaption = d.form.Caption();
  d.readRefreshRate();
  d.sdlRenderer = SDL_CreateRenderer(d.window, -1, 0);
  if (!d.sdlRenderer) d.sdlRenderer = SDL_CreateRenderer(d.window, -1, SDL_RENDERER_SOFTWARE);
  if (!d.sdlRenderer) {
    if (error) *error = SDL_GetError();
    return false;
  }
  d.renderer = std::make_unique<Renderer>(d.sdlRenderer);
  d.updateIcon();
  initFonts();

  d.form.onGeometryRequest = [&d] { d.geometryPending = true; };
  d.form.onShowRequest = [&d] {
    d.geometryPending = true;
    d.applyGeometry();
    d.updateIcon();
    SDL_ShowWindow(d.window);
    // Where the window manager reports its frame at once, the first layout already fits the client area.
    d.geometryEvent = true;
    d.reconcileGeometry();
    d.applyGeometry();
    d.needsDraw = true;
  };
  return true;
}

void WindowBackend::waitAndDispatch(int timeoutMs) {
  Impl& d = *impl_;
  d.applyGeometry();
  int timeout = timeoutMs;
  if (d.tooltipWaiting()) {
    const uint64_t elapsed = SDL_GetTicks64() - d.hoverSinceMs;
    const int left = elapsed >= kTooltipDelayMs ? 0 : static_cast<int>(kTooltipDelayMs - elapsed);
    timeout = timeout < 0 ? left : std::min(timeout, left);
  }
  // A frame held back by the pacing is drawn when its turn comes, not at the next input or timer.
  if (d.frameWanted()) {
    const int left = static_cast<int>(d.frameWaitMs());
    timeout = timeout < 0 ? left : std::min(timeout, left);
  }
  SDL_Event e;
  // Blocks in the window system until input or the timeout: no polling while the game idles.
  if (SDL_WaitEventTimeout(&e, timeout) == 1) {
    d.dispatch(e);
    while (!d.loop.quitting() && SDL_PollEvent(&e) == 1) d.dispatch(e);
  }
  d.reconcileGeometry();
  if (d.tooltipWaiting() && SDL_GetTicks64() - d.hoverSinceMs >= kTooltipDelayMs) {
    d.tipShown = true;
    d.needsDraw = true;
  }
  d.applyGeometry();
}

void WindowBackend::presentIfChanged() {
  Impl& d = *impl_;
  if (!d.window) return;
  d.applyGeometry();
  if (d.form.Caption() != d.shownCaption) {
    d.known = d.actual();
    d.shownCaption = d.form.Caption();
    SDL_SetWindowTitle(d.window, d.shownCaption.c_str());
  }
  if (!d.form.shown()) return;
  if (d.tipShown && (!d.hover || !d.hover->effectivelyVisible() || d.hover->ToolTipText().empty())) {
    d.hideTooltip();
  }
  if (!d.frameWanted()) return;
  if (d.frameWaitMs() > 0) return;  // the next wait ends in time for it
  d.lastFrameMs = d.loop.nowMs();
  // Exposed, resized, restored or a tooltip come or gone: the window's content as a whole is new.
  if (d.needsDraw) d.renderer->redrawAll();
  d.needsDraw = false;
  d.drawnSerial = d.form.changeSerial();
  int winW = 0, winH = 0, outW = 0, outH = 0;
  SDL_GetWindowSize(d.window, &winW, &winH);
  SDL_GetRendererOutputSize(d.sdlRenderer, &outW, &outH);
  const float scale = winW > 0 && outW > 0 ? static_cast<float>(outW) / static_cast<float>(winW) : 1.0f;
  TooltipView tip;
  if (d.tipShown) {
    tip.text = d.hover->ToolTipText();
    tip.pointerX = d.mouseX;
    tip.pointerY = d.mouseY;
  }
  d.renderer->draw(d.form, d.tipShown ? &tip : nullptr, scale);
  ++d.frames;
}

void WindowBackend::postMouseMotion(int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = SDL_GetWindowID(impl_->window);
  e.motion.x = x;
  e.motion.y = y;
  SDL_PushEvent(&e);
}

void WindowBackend::postMouseButton(bool down, int button, int clicks, int x, int y) {
  SDL_Event e{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.windowID = SDL_GetWindowID(impl_->window);
  e.button.button = static_cast<Uint8>(button);
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.button.clicks = static_cast<Uint8>(clicks);
  e.button.x = x;
  e.button.y = y;
  SDL_PushEvent(&e);
}

void WindowBackend::postClose() {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = SDL_GetWindowID(impl_->window);
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  SDL_PushEvent(&e);
}

void WindowBackend::userResize(int clientWidth, int clientHeight) {
  SDL_SetWindowSize(impl_->window, clientWidth, clientHeight);
}

int WindowBackend::clientWidth() const { return impl_->actual().w; }
int WindowBackend::clientHeight() const { return impl_->actual().h; }

std::string WindowBackend::tooltipText() const {
  const Impl& d = *impl_;
  return d.tipShown && d.hover ? d.hover->ToolTipText() : std::string();
}

uint64_t WindowBackend::framesDrawn() const { return impl_->frames; }

int WindowBackend::frameIntervalMs() const { return impl_->frameIntervalMs; }

}  // namespace platform
