// The floor under the game's launch figures: the least an SDL2 program on this machine does to show a
// picture. It opens a window of the game's size on a 1024 x 768 screen (hidden, sized, then shown, with the
// same software renderer and hints), paints a gradient into it and idles until closed. No fonts, music,
// decoding or game. process_bench.sh measures it with the same probe as the game.
#include <SDL.h>

#include <csignal>

int main() {
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  std::signal(SIGTERM, SIG_DFL);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 1;
  SDL_Window* window = SDL_CreateWindow("floor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 819, 614,
                                        SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
  if (!window) return 1;
  SDL_ShowWindow(window);
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
  if (!renderer) return 1;
  bool drawn = false;
  for (SDL_Event e;;) {
    if (!drawn) {
      for (int y = 0; y < 614; ++y) {
        SDL_SetRenderDrawColor(renderer, static_cast<Uint8>(y * 255 / 614), 96, 160, 255);
        SDL_RenderDrawLine(renderer, 0, y, 818, y);
      }
      SDL_RenderPresent(renderer);
      drawn = true;
    }
    if (SDL_WaitEvent(&e) == 0) break;
    if (e.type == SDL_QUIT) break;
    if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_EXPOSED) drawn = false;
  }
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
