// The Win32 window: the message procedure, the Form's geometry and fullscreen kept in step with the real
// window, the monitor's dpi, the wait for input or the next deadline, and one GDI frame per change.
#include "platform/win32/window_backend.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/runtime/app.h"
#include "platform/runtime/display.h"
#include "platform/runtime/input.h"
#include "platform/runtime/utf16.h"
#include "platform/win32/gdi_renderer.h"
#include "platform/win32/input_translation.h"
#include "platform/win32/window_icon.h"
#include "platform/win32/xinput_pads.h"

namespace platform {

namespace {
constexpr wchar_t kWindowClass[] = L"LanternfallWindow";
constexpr DWORD kWindowedStyle = WS_OVERLAPPEDWINDOW;
}  // namespace

struct WindowBackend::Impl {
  Form& form;
  EventLoop& loop;
  Input input;
  GdiRenderer renderer;
  XInputPads pads;
  std::vector<InputEvent> padKeys;
  HWND hwnd = nullptr;
  HICON icon = nullptr;
  bool fullscreen = false;
  RECT windowedRect{};
  bool applying = false;  // inside our own SetWindowPos: the messages it sends are not the user's
  bool geometryPending = false;
  bool needsDraw = true;
  bool tracking = false;  // asked for WM_MOUSELEAVE
  int buttonsDown = 0;
  uint64_t drawnSerial = 0;
  uint64_t frames = 0;
  std::string shownCaption;
  std::string shownTooltip;

  Impl(Form& f, EventLoop& l) : form(f), loop(l), input(f) {}

  int twipsToPx(int32_t twips) const { return static_cast<int>(std::lround(twips / twipsPerPixel())); }

  // The frame around the client area at the window's dpi, and the monitor's size, told to the Form.
  void reportFrameAndScreen() {
    RECT outer{}, client{};
    GetWindowRect(hwnd, &outer);
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    if (!fullscreen) {
      form.setFramePx(origin.x - outer.left, origin.y - outer.top, outer.right - origin.x - client.right,
                      outer.bottom - origin.y - client.bottom);
    }
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
      form.setScreenSizePx(monitor.rcMonitor.right - monitor.rcMonitor.left,
                           monitor.rcMonitor.bottom - monitor.rcMonitor.top);
    }
  }

  void setWindowPos(HWND after, int x, int y, int w, int h, UINT flags) {
    applying = true;
    SetWindowPos(hwnd, after, x, y, w, h, flags | SWP_NOACTIVATE);
    applying = false;
  }

  // The real window takes the Form's outer geometry, unless it is the screen or the user's to size.
  void applyGeometry() {
    if (!geometryPending || !hwnd) return;
    geometryPending = false;
    if (fullscreen || form.windowState() != WindowState::Normal) return;
    setWindowPos(nullptr, twipsToPx(form.WindowLeft()), twipsToPx(form.WindowTop()),
                 twipsToPx(form.WindowWidth()), twipsToPx(form.WindowHeight()), SWP_NOZORDER);
  }

  // The user or the system moved, sized, minimised or maximised the window: the game follows.
  void reportGeometry(WPARAM sizeKind, bool sized) {
    if (applying || fullscreen || !hwnd) return;
    if (sized) {
      form.setWindowState(sizeKind == SIZE_MINIMIZED   ? WindowState::Minimized
                          : sizeKind == SIZE_MAXIMIZED ? WindowState::Maximized
                                                       : WindowState::Normal);
    }
    if (form.windowState() == WindowState::Minimized) return;
    RECT outer{};
    GetWindowRect(hwnd, &outer);
    runGuarded("resize", [&] {
      form.externalGeometry(outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top);
    });
    needsDraw = true;
  }

  // Fullscreen covers the monitor with a borderless window; the Form is drawn where its layout puts it.
  void setFullscreen() {
    if (!hwnd || fullscreen == form.fullscreen()) return;
    fullscreen = form.fullscreen();
    if (fullscreen) {
      GetWindowRect(hwnd, &windowedRect);
      MONITORINFO monitor{};
      monitor.cbSize = sizeof monitor;
      GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
      SetWindowLongPtrW(hwnd, GWL_STYLE, WS_POPUP | WS_VISIBLE);
      const RECT& m = monitor.rcMonitor;
      setWindowPos(HWND_TOP, m.left, m.top, m.right - m.left, m.bottom - m.top, SWP_FRAMECHANGED);
    } else {
      SetWindowLongPtrW(hwnd, GWL_STYLE, kWindowedStyle | WS_VISIBLE);
      const RECT& r = windowedRect;
      setWindowPos(nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_FRAMECHANGED | SWP_NOZORDER);
      geometryPending = true;
    }
    needsDraw = true;
  }

  // A monitor of another dpi: twips per pixel change, the window takes the size Windows suggests, and the
  // layout runs again so that every control and font keeps its physical size.
  void dpiChanged(UINT dpi, const RECT* suggested) {
    setDisplayDpi(static_cast<float>(dpi));
    if (!fullscreen) {
      setWindowPos(nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER);
    }
    runGuarded("resize", [&] {
      reportFrameAndScreen();
      RECT outer{};
      GetWindowRect(hwnd, &outer);
      if (!fullscreen)
        form.externalGeometry(outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top);
      if (form.onResize) form.onResize();
    });
    needsDraw = true;
  }

  POINT origin() const {
    if (!fullscreen) return POINT{0, 0};
    return POINT{twipsToPx(form.WindowLeft()), twipsToPx(form.WindowTop())};
  }

  void deliver(InputEvent e) {
    e.timeMs = loop.nowMs();
    const POINT o = origin();
    e.x -= static_cast<float>(o.x);
    e.y -= static_cast<float>(o.y);
    input.handle(e);
  }

  void pointerMessage(UINT message, const InputEvent& e) {
    if (e.type == InputEvent::Type::PointerMove && !tracking) {
      TRACKMOUSEEVENT track{};
      track.cbSize = sizeof track;
      track.dwFlags = TME_LEAVE;
      track.hwndTrack = hwnd;
      tracking = TrackMouseEvent(&track) != 0;
    }
    if (message == WM_MOUSELEAVE) tracking = false;
    // Held buttons keep the pointer: a release outside the window still ends the press.
    if (e.type == InputEvent::Type::PointerDown && buttonsDown++ == 0) SetCapture(hwnd);
    if (e.type == InputEvent::Type::PointerUp && buttonsDown > 0 && --buttonsDown == 0) ReleaseCapture();
    deliver(e);
  }

  void closeRequested() {
    bool closed = true;
    runGuarded("unload", [&] { closed = form.Unload(); });
    if (!closed) return;
    loop.quit();  // ShutDown normally ends the program itself; the window is gone either way
    DestroyWindow(hwnd);
  }

  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (const auto e = translateMessage(message, wParam, lParam)) {
      if (message == WM_MOUSEWHEEL) {
        POINT at{static_cast<LONG>(e->x), static_cast<LONG>(e->y)};
        ScreenToClient(hwnd, &at);
        InputEvent wheel = *e;
        wheel.x = static_cast<float>(at.x);
        wheel.y = static_cast<float>(at.y);
        deliver(wheel);
        return 0;
      }
      if (message == WM_KILLFOCUS) {
        deliver(*e);
        return DefWindowProcW(hwnd, message, wParam, lParam);
      }
      if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        pointerMessage(message, *e);
        return 0;
      }
      if (message == WM_MOUSELEAVE) {
        pointerMessage(message, *e);
        return 0;
      }
      deliver(*e);
      // Alt+F4 still closes the window; other system keys (Alt+Enter) stay the game's, without a beep.
      if (message == WM_SYSKEYDOWN && wParam == VK_F4) return DefWindowProcW(hwnd, message, wParam, lParam);
      return 0;
    }
    switch (message) {
      case WM_CLOSE:
        closeRequested();
        return 0;
      case WM_SIZE:
        reportGeometry(wParam, true);
        return 0;
      case WM_MOVE:
        reportGeometry(SIZE_RESTORED, false);
        return 0;
      case WM_DPICHANGED:
        dpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        renderer.present(dc);
        EndPaint(hwnd, &ps);
        return 0;
      }
      default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
  }

  static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      reinterpret_cast<Impl*>(create->lpCreateParams)->hwnd = hwnd;
    }
    auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || !self->hwnd) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
  }
};

WindowBackend::WindowBackend(Form& form, EventLoop& loop) : impl_(std::make_unique<Impl>(form, loop)) {}

WindowBackend::~WindowBackend() {
  Impl& d = *impl_;
  d.form.onGeometryRequest = nullptr;
  d.form.onShowRequest = nullptr;
  d.form.onFullscreenRequest = nullptr;
  if (d.hwnd && IsWindow(d.hwnd)) DestroyWindow(d.hwnd);
  if (d.icon) DestroyIcon(d.icon);
}

bool WindowBackend::open(std::string* error) {
  Impl& d = *impl_;
  // The manifest says so too; a program started without it (a test) asks here.
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Impl::procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.lpszClassName = kWindowClass;
  RegisterClassExW(&wc);  // no CS_DBLCLKS: the runtime pairs double clicks itself
  d.hwnd = nullptr;
  HWND made = CreateWindowExW(0, kWindowClass, wideFromUtf8(d.form.Caption()).c_str(), kWindowedStyle,
                              CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, &d);
  if (!made) {
    if (error) *error = "CreateWindowExW failed with error " + std::to_string(GetLastError());
    return false;
  }
  d.hwnd = made;
  setDisplayDpi(static_cast<float>(GetDpiForWindow(made)));
  d.reportFrameAndScreen();
  d.icon = makeWindowIcon(d.form.Icon());
  if (d.icon) SendMessageW(made, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(d.icon));
  d.form.onGeometryRequest = [&d] { d.geometryPending = true; };
  d.form.onShowRequest = [&d] {
    d.applyGeometry();
    ShowWindow(d.hwnd, SW_SHOW);
    SetForegroundWindow(d.hwnd);
    d.needsDraw = true;
  };
  d.form.onFullscreenRequest = [&d] { d.setFullscreen(); };
  d.input.onTooltipChanged = [&d] { d.needsDraw = true; };
  return true;
}

void WindowBackend::waitAndDispatch(int timeoutMs) {
  Impl& d = *impl_;
  d.applyGeometry();
  const int64_t tipDue = d.input.tooltipDueMs();
  if (tipDue >= 0) {
    const int left = static_cast<int>(std::max<int64_t>(0, tipDue - d.loop.nowMs()));
    timeoutMs = timeoutMs < 0 ? left : std::min(timeoutMs, left);
  }
  const int64_t padsDue = d.pads.dueInMs(d.loop.nowMs());
  if (padsDue >= 0) {
    const int left = static_cast<int>(std::min<int64_t>(padsDue, INT32_MAX));
    timeoutMs = timeoutMs < 0 ? left : std::min(timeoutMs, left);
  }
  MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs),
                              QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  d.padKeys.clear();
  d.pads.poll(d.loop.nowMs(), &d.padKeys);
  for (const InputEvent& e : d.padKeys) {
    if (!d.loop.quitting()) d.deliver(e);
  }
  MSG msg;
  while (!d.loop.quitting() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      d.loop.quit();
      break;
    }
    DispatchMessageW(&msg);
  }
  d.input.showDueTooltip(d.loop.nowMs());
  d.applyGeometry();
}

void WindowBackend::presentIfChanged() {
  Impl& d = *impl_;
  if (!d.hwnd || !IsWindow(d.hwnd)) return;
  d.applyGeometry();
  if (d.form.Caption() != d.shownCaption) {
    d.shownCaption = d.form.Caption();
    SetWindowTextW(d.hwnd, wideFromUtf8(d.shownCaption).c_str());
  }
  if (!d.form.shown()) return;
  d.input.showDueTooltip(d.loop.nowMs());
  const std::string tip = d.input.tooltipText();
  if (!d.needsDraw && tip == d.shownTooltip && d.drawnSerial == d.form.changeSerial()) return;
  d.needsDraw = false;
  d.shownTooltip = tip;
  d.drawnSerial = d.form.changeSerial();
  RECT client{};
  GetClientRect(d.hwnd, &client);
  const POINT o = d.origin();
  GdiTooltip view{tip, d.input.tooltipX(), d.input.tooltipY()};
  d.renderer.draw(d.form, client.right, client.bottom, o.x, o.y, tip.empty() ? nullptr : &view);
  HDC dc = GetDC(d.hwnd);
  d.renderer.present(dc);
  ReleaseDC(d.hwnd, dc);
  ++d.frames;
}

int WindowBackend::clientWidth() const {
  RECT r{};
  GetClientRect(impl_->hwnd, &r);
  return r.right;
}

int WindowBackend::clientHeight() const {
  RECT r{};
  GetClientRect(impl_->hwnd, &r);
  return r.bottom;
}

uint64_t WindowBackend::framesDrawn() const { return impl_->frames; }

}  // namespace platform
