// What the X11 desktop tells a window beside SDL: the dpi it renders text at, and a handler for the
// window system's errors. Called by the window backend when it opens the window.
#pragma once

#include <optional>
#include <string_view>

struct SDL_Window;

namespace platform {

// The dots per inch the desktop renders text at: X11 desktops publish their text scaling as the Xft.dpi
// resource (set by every desktop's display settings, 192 at 200 %). Without it, the classic 96.
float desktopDpi(SDL_Window* window);

// The Xft.dpi value in a resource manager string (the root window's RESOURCE_MANAGER), or the classic 96
// when it names none or no number.
float xftDpi(std::string_view resources);

// Xlib's default handler ends the program on any error of any request: name the error and go on. Set
// before SDL's video starts, since SDL keeps the handler it finds and puts it back when it closes its
// connections, so that an error arriving late is named and ignored instead of ending the game.
void nameWindowSystemErrors();

// Whether the window manager holds the window fullscreen now, as it says on the window (_NET_WM_STATE);
// nothing when no window manager that says so runs (or not on X11).
std::optional<bool> managerHoldsFullscreen(SDL_Window* window);

// After a round trip to the window system: true when no event of it is left unread, so that what the
// window reports now is the last word of every request made before.
bool windowSystemCaughtUp(SDL_Window* window);

// A desktop session to show a window in: DISPLAY or WAYLAND_DISPLAY is set.
bool haveDesktopSession();

}  // namespace platform
