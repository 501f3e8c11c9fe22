// The real window over SDL2: SDL's input translated into the runtime's input events, geometry kept in
// step with the Form without fighting the window manager, fullscreen with black bars, tooltips on a wait
// timeout, and frames drawn only when something changed and then no more often than the display refreshes.
#include "platform/sdl/window_backend.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string_view>

#include "platform/media/sdl_subsystems.h"
#include "platform/runtime/app.h"
#include "platform/runtime/display.h"
#include "platform/runtime/input.h"
#include "platform/sdl/display_wait.h"
#include "platform/sdl/renderer.h"

namespace platform {

namespace {

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
  return static_cast<int>(std::lround(static_cast<double>(twips) / twipsPerPixel()));
}

int16_t shiftOf(Uint16 mod) {
  int16_t s = 0;
  if (mod & KMOD_SHIFT) s |= kShiftMask;
  if (mod & KMOD_CTRL) s |= kCtrlMask;
  if (mod & KMOD_ALT) s |= kAltMask;
  return s;
}

int16_t buttonOf(Uint8 sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT:
      return kLeftButton;
    case SDL_BUTTON_RIGHT:
      return kRightButton;
    case SDL_BUTTON_MIDDLE:
      return kMiddleButton;
    default:
      return 0;  // the old runtime knew three buttons
  }
}

// SDL's key to the old runtime's key code; 0 for keys the game has no use for.
int16_t keyCodeOf(SDL_Keycode k) {
  if (k >= SDLK_0 && k <= SDLK_9) return static_cast<int16_t>('0' + (k - SDLK_0));
  if (k >= SDLK_a && k <= SDLK_z) return static_cast<int16_t>('A' + (k - SDLK_a));
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return static_cast<int16_t>('1' + (k - SDLK_KP_1));
  switch (k) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_RETURN2:
      return kKeyReturn;
    case SDLK_SPACE:
      return kKeySpace;
    case SDLK_ESCAPE:
      return kKeyEscape;
    case SDLK_LEFT:
      return kKeyLeft;
    case SDLK_UP:
      return kKeyUp;
    case SDLK_RIGHT:
      return kKeyRight;
    case SDLK_DOWN:
      return kKeyDown;
    case SDLK_F5:
      return kKeyF5;
    case SDLK_F11:
      return kKeyF11;
    default:
      return 0;
  }
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

// The dots per inch the desktop renders text at: X11 desktops publish their text scaling as the Xft.dpi
// resource (set by every desktop's display settings, 192 at 200 %). Without it, the classic 96.
float desktopDpi(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return kClassicDpi;
  const char* resources = XResourceManagerString(info.info.x11.display);
  if (!resources) return kClassicDpi;
  const std::string_view all(resources);
  for (size_t at = 0; at < all.size();) {
    const size_t end = std::min(all.find('\n', at), all.size());
    std::string_view line = all.substr(at, end - at);
    at = end + 1;
    constexpr std::string_view kName = "Xft.dpi:";
    if (line.substr(0, kName.size()) != kName) continue;
    const std::string value(line.substr(kName.size()));
    char* stop = nullptr;
    const float dpi = std::strtof(value.c_str(), &stop);
    return stop != value.c_str() ? dpi : kClassicDpi;
  }
  return kClassicDpi;
}

// Xlib's default handler ends the program on any error of any request. No error of the window system is
// worth ending a game for: name it and go on.
int reportXError(Display* display, XErrorEvent* e) {
  char text[160] = {};
  XGetErrorText(display, e->error_code, text, sizeof text);
  reportProblem(std::string("the window system refused a request: ") + text + " (request " +
                std::to_string(e->request_code) + ", resource " + std::to_string(e->resourceid) + ")");
  return 0;
}

bool hasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = SDL_getenv(name);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace

struct WindowBackend::Impl {
  Form& form;
  EventLoop& loop;
  SDL_Window* window = nullptr;
  SDL_Renderer* sdlRenderer = nullptr;
  std::unique_ptr<Renderer> renderer;
  std::unique_ptr<DisplayWait> displayWait;
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

  // The pointer and keyboard rules.
  Input input;
  // Fullscreen: the real window covers the screen and the Form's client area is drawn at this offset.
  bool fullscreen = false;

  uint64_t frames = 0;

  Impl(Form& f, EventLoop& l) : form(f), loop(l), input(f) {
    input.onTooltipChanged = [this] { needsDraw = true; };
  }

  ~Impl() {
    form.onGeometryRequest = nullptr;
    form.onShowRequest = nullptr;
    form.onFullscreenRequest = nullptr;
    renderer.reset();
    if (sdlRenderer) SDL_DestroyRenderer(sdlRenderer);
    if (window) SDL_DestroyWindow(window);
    if (videoStarted) stopSdlSubsystems(SDL_INIT_VIDEO);
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
    if (fullscreen) return;  // the real window is the screen; the game's window is drawn inside it
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
    if (fullscreen) {
      known = actual();
      return;
    }
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

  // Where the Form's client area lies in the real window: at its origin, or in fullscreen where the
  // layout placed the game's window on the screen.
  SDL_Rect clientRect() const {
    if (!fullscreen) return SDL_Rect{0, 0, 0, 0};
    return SDL_Rect{twipsToPx(form.WindowLeft()), twipsToPx(form.WindowTop()),
                    static_cast<int>(std::lround(form.clientWidthPx())),
                    static_cast<int>(std::lround(form.clientHeightPx()))};
  }

  void deliver(InputEvent e) {
    e.timeMs = loop.nowMs();
    const SDL_Rect c = clientRect();
    e.x -= static_cast<float>(c.x);
    e.y -= static_cast<float>(c.y);
    input.handle(e);
  }

  void pointer(InputEvent::Type type, int16_t button, int x, int y) {
    InputEvent e;
    e.type = type;
    e.button = button;
    e.x = static_cast<float>(x);
    e.y = static_cast<float>(y);
    e.shift = shiftOf(SDL_GetModState());
    deliver(e);
  }

  void key(const SDL_KeyboardEvent& k) {
    InputEvent e;
    e.type = k.type == SDL_KEYDOWN ? InputEvent::Type::KeyDown : InputEvent::Type::KeyUp;
    e.keyCode = keyCodeOf(k.keysym.sym);
    if (e.keyCode == 0) return;
    e.repeat = k.repeat != 0;
    e.shift = shiftOf(k.keysym.mod);
    deliver(e);
  }

  void setFullscreen() {
    if (!window || fullscreen == form.fullscreen()) return;
    fullscreen = form.fullscreen();
    // The desktop's own mode: no mode switch, the window simply covers the screen.
    SDL_SetWindowFullscreen(window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    known = actual();
    needsDraw = true;
    // Back in a window: the real window takes the Form's restored geometry again.
    if (!fullscreen) geometryPending = true;
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
            pointer(InputEvent::Type::PointerLeave, 0, 0, 0);
            break;
          default:
            break;
        }
        break;
      case SDL_MOUSEMOTION:
        pointer(InputEvent::Type::PointerMove, 0, e.motion.x, e.motion.y);
        break;
      case SDL_MOUSEBUTTONDOWN:
        pointer(InputEvent::Type::PointerDown, buttonOf(e.button.button), e.button.x, e.button.y);
        break;
      case SDL_MOUSEBUTTONUP:
        pointer(InputEvent::Type::PointerUp, buttonOf(e.button.button), e.button.x, e.button.y);
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        key(e.key);
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
  fixLargeBufferPolicy();
  // With nowhere to show a window, SDL would try every video driver and the display libraries would
  // each complain on stderr (once per attempt) before our own reason: say once what is missing and
  // what to do. A driver named in SDL_VIDEODRIVER (a test's dummy, a console's kmsdrm) needs neither.
  if (!hasDisplay() && !SDL_getenv("SDL_VIDEODRIVER")) {
    if (error) {
      *error =
          "no display (neither DISPLAY nor WAYLAND_DISPLAY is set): start the game from a desktop "
          "session, or without a screen under xvfb-run";
    }
    return false;
  }
  // The window's class (WM_CLASS on X11, the app id on Wayland) is how the desktop matches the window
  // to lanternfall.desktop. SDL takes it from the executable's file name unless these say otherwise, and
  // a copy or a build under another name must still be this game; a value the user set is kept.
  SDL_setenv("SDL_VIDEO_X11_WMCLASS", "lanternfall", 0);
  SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", "lanternfall", 0);
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
  // Before SDL's video starts: SDL keeps the handler it finds and puts it back when it closes its
  // connections, so an error that arrives late is named and ignored instead of ending the game.
  XSetErrorHandler(reportXError);
  for (int attempt = 1;; ++attempt) {
    if (!startSdlSubsystems(SDL_INIT_VIDEO, error)) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool invisible =
        driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (!invisible || driverChosen) break;
    stopSdlSubsystems(SDL_INIT_VIDEO);
    if (attempt == kDisplayAttempts) {
      if (error) *error = "no display could be opened";
      return false;
    }
    SDL_Delay(kDisplayRetryMs);
  }
  d.videoStarted = true;
  SDL_DisplayMode mode;
  const bool haveMode = SDL_GetDesktopDisplayMode(0, &mode) == 0;

  // Created hidden, already 4:3 and centred at the height start-up will give it, so that no window
  // manager ever shows a window of another shape or place.
  Geometry g{0, 0, 640, 480};
  if (haveMode && mode.w > 0 && mode.h > 0) {
    g.h = std::max(1, mode.h * 4 / 5);
    g.w = g.h * 4 / 3;
    g.x = (mode.w - g.w) / 2;
    g.y = (mode.h - g.h) / 2;
  }
  d.window = SDL_CreateWindow(d.form.Caption().c_str(), g.x, g.y, g.w, g.h,
                              SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
  if (!d.window) {
    if (error) *error = SDL_GetError();
    return false;
  }
  // Twips and points follow the desktop's text scaling; the screen's twips follow from it.
  setDisplayDpi(desktopDpi(d.window));
  if (haveMode) d.form.setScreenSizePx(mode.w, mode.h);
  d.known = d.actual();
  d.shownCaption = d.form.Caption();
  d.readRefreshRate();
  d.displayWait = std::make_unique<DisplayWait>(d.window);
  d.updateIcon();
  // Fonts are looked up when the first caption is drawn, not here: the title shows none.

  d.form.onGeometryRequest = [&d] { d.geometryPending = true; };
  d.form.onFullscreenRequest = [&d] { d.setFullscreen(); };
  d.form.onShowRequest = [&d] {
    d.geometryPending = true;
    d.applyGeometry();
    // The renderer is made here, at the size start-up gave the window, not at creation: it makes the
    // window's pixel buffer (megabytes in a large window), and one made before the layout's first
    // resize would be made twice.
    if (!d.sdlRenderer) {
      d.sdlRenderer = SDL_CreateRenderer(d.window, -1, 0);
      if (!d.sdlRenderer) d.sdlRenderer = SDL_CreateRenderer(d.window, -1, SDL_RENDERER_SOFTWARE);
      if (!d.sdlRenderer) {
        // Nothing could ever be shown: a game in an empty window would only leave the player guessing.
        reportProblem(std::string("cannot draw in the window: ") + SDL_GetError());
        flushProblems();
        std::exit(1);
      }
      d.renderer = std::make_unique<Renderer>(d.sdlRenderer);
    }
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
  SDL_Event e;
  // Blocks until input or the timeout: no polling while the game idles. On X11 the wait is on the
  // display connection itself, and SDL is pumped only on a wake that brought something (then after
  // each event, as SDL's own changes of the window, leaving fullscreen among them, need): a timer's
  // wake leaves the window system alone. SDL's own wait would pump several times per wake and, for every
  // event it reads while waiting, send a wake-up message to the window over a second connection of its
  // own; the one sent for the close could reach the server after the window was destroyed, and the
  // BadWindow error it earns surfaced when SDL closed that connection, through Xlib's default handler,
  // which ends the program with status 1.
  bool got = false;
  if (d.displayWait && d.displayWait->active()) {
    if (d.displayWait->wait(timeout)) got = SDL_PollEvent(&e) == 1;
  } else {
    got = SDL_PollEvent(&e) == 1;
    if (!got && timeout != 0) got = SDL_WaitEventTimeout(&e, timeout) == 1;
  }
  if (got) {
    d.dispatch(e);
    while (!d.loop.quitting() && SDL_PollEvent(&e) == 1) d.dispatch(e);
  }
  d.reconcileGeometry();
  d.input.showDueTooltip(d.loop.nowMs());
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
  if (!d.form.shown() || !d.renderer) return;
  d.input.showDueTooltip(d.loop.nowMs());  // drops a tooltip whose control went away
  if (!d.frameWanted()) return;
  if (d.frameWaitMs() > 0) return;  // the next wait ends in time for it
  d.lastFrameMs = d.loop.nowMs();
  // Exposed, resized, restored or a tooltip come or gone: the window's content as a whole is new.
  const bool whole = d.needsDraw;
  if (whole) d.renderer->redrawAll();
  d.needsDraw = false;
  d.drawnSerial = d.form.changeSerial();
  int winW = 0, winH = 0, outW = 0, outH = 0;
  SDL_GetWindowSize(d.window, &winW, &winH);
  SDL_GetRendererOutputSize(d.sdlRenderer, &outW, &outH);
  const float scale = winW > 0 && outW > 0 ? static_cast<float>(outW) / static_cast<float>(winW) : 1.0f;
  TooltipView tip;
  tip.text = d.input.tooltipText();
  tip.pointerX = d.input.tooltipX();
  tip.pointerY = d.input.tooltipY();
  // In fullscreen the game's window is drawn where its layout put it on the screen, with black around.
  const SDL_Rect client = d.clientRect();
  if (d.fullscreen) {
    if (whole) {
      SDL_RenderSetViewport(d.sdlRenderer, nullptr);
      SDL_RenderSetClipRect(d.sdlRenderer, nullptr);
      SDL_SetRenderDrawColor(d.sdlRenderer, 0, 0, 0, 255);
      SDL_RenderClear(d.sdlRenderer);
    }
    const SDL_Rect viewport{
        static_cast<int>(std::lround(client.x * scale)), static_cast<int>(std::lround(client.y * scale)),
        static_cast<int>(std::lround(client.w * scale)), static_cast<int>(std::lround(client.h * scale))};
    SDL_RenderSetViewport(d.sdlRenderer, &viewport);
  } else {
    SDL_RenderSetViewport(d.sdlRenderer, nullptr);
  }
  d.renderer->draw(d.form, tip.text.empty() ? nullptr : &tip, scale);
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

void WindowBackend::postMouseButton(bool down, int button, int x, int y) {
  SDL_Event e{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.windowID = SDL_GetWindowID(impl_->window);
  e.button.button = static_cast<Uint8>(button);
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.button.clicks = 1;
  e.button.x = x;
  e.button.y = y;
  SDL_PushEvent(&e);
}

void WindowBackend::postKey(bool down, int sdlKeyCode, int sdlModifiers) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.windowID = SDL_GetWindowID(impl_->window);
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.sym = sdlKeyCode;
  e.key.keysym.mod = static_cast<Uint16>(sdlModifiers);
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

std::string WindowBackend::tooltipText() const { return impl_->input.tooltipText(); }

uint64_t WindowBackend::framesDrawn() const { return impl_->frames; }

int WindowBackend::frameIntervalMs() const { return impl_->frameIntervalMs; }

}  // namespace platform
